#pragma once

#include "service/random.h"

namespace qv::service {

// A generator that draws the number a test sets, every time.
class FixedRandom : public Random {
 public:
  explicit FixedRandom(double value) : value_(value) {}
  double Rnd() override { return value_; }
  void Set(double value) { value_ = value; }

 private:
  double value_;
};

}  // namespace qv::service
