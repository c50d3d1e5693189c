#pragma once

#include <string>

namespace qv::addin {

// Opens an address in the user's web browser. Whether a browser started is not reported.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual void Open(const std::string& url) = 0;
};

// Hands the address to xdg-open, the desktop's way of opening it.
class DesktopShell : public Shell {
 public:
  void Open(const std::string& url) override;
};

}  // namespace qv::addin
