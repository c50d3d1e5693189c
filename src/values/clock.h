#pragma once

#include "values/datetime.h"

namespace qv {

// The computer's local date and time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() = 0;
};

}  // namespace qv
