#pragma once

#include "addin/shell.h"

namespace qv::addin {

// Opens the address with the program Windows has for it (ShellExecute's "open").
class Win32Shell : public Shell {
 public:
  void Open(const std::string& url) override;
};

}  // namespace qv::addin
