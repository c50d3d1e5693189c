#pragma once

#include "values/clock.h"

namespace qv {

// The local time of Windows.
class SystemClock : public Clock {
 public:
  DateTime Now() override;
};

}  // namespace qv
