#pragma once

#include <cstdint>

namespace qv::service {

// The process's pseudo-random generator, drawn from without ever being reseeded.
class Random {
 public:
  virtual ~Random() = default;
  // Uniform in [0, 1).
  virtual double Rnd() = 0;
};

// The classic 24-bit linear congruential generator with its classic start value, so that a run
// draws the same sequence every time, as the add-in always has.
class SystemRandom : public Random {
 public:
  double Rnd() override {
    state_ = (state_ * 1140671485u + 12820163u) & 0xFFFFFFu;
    return static_cast<double>(state_) / 16777216.0;
  }

 private:
  std::uint32_t state_ = 327680;
};

}  // namespace qv::service
