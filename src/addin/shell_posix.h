#pragma once

#include "addin/shell.h"

namespace qv::addin {

// Hands the address to xdg-open, the desktop's way of opening it.
class DesktopShell : public Shell {
 public:
  void Open(const std::string& url) override;
};

}  // namespace qv::addin
