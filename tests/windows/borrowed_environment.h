#pragma once

#include "connect_com/connect_com.h"

namespace qv::testing {

// An environment for the COM Connect made of adapters the test owns.
class BorrowedEnvironment : public excel::Environment {
 public:
  explicit BorrowedEnvironment(addin::Platform platform) : platform_(std::move(platform)) {}
  addin::Platform Platform() override { return platform_; }

 private:
  addin::Platform platform_;
};

// Makes every Connect's environment of the given adapters.
inline excel::MakeEnvironment Borrow(addin::Platform platform) {
  return [platform](excel::ExcelApplication&) {
    return std::make_unique<BorrowedEnvironment>(platform);
  };
}

}  // namespace qv::testing
