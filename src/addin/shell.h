#pragma once

#include <string>

namespace qv::addin {

// Opens an address in the user's web browser. Whether a browser started is not reported.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void Open(const std::string& url) = 0;
};

}  // namespace qv::addin
