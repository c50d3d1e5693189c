#pragma once

#include "values/datetime.h"

namespace qv {

// The computer's local date and time.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() = 0;
};

class SystemClock : public Clock {
 public:
  DateTime Now() override;
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(DateTime now) : now_(now) {}
  DateTime Now() override { return now_; }
  void Set(DateTime now) { now_ = now; }

 private:
  DateTime now_;
};

}  // namespace qv
