#pragma once

#include "values/clock.h"

namespace qv {

// The local time of the process's time zone, as the C library knows it.
class SystemClock : public Clock {
 public:
  DateTime Now() override;
};

}  // namespace qv
