#pragma once

#include <string>

#include "addin/shell.h"
#include "service/transport.h"

namespace qv::bench {

class NoShell : public addin::Shell {
 public:
  void Open(const std::string&) override {}
};

// A transport that answers "000" at once and keeps only the size of what it was sent.
class CountingTransport : public service::Transport {
 public:
  std::string Post(const std::string&, int, const std::string&, const std::string& body,
                   const service::ProxySettings&) override {
    bytes = body.size();
    return "000";
  }
  std::string Get(const std::string&) override { return {}; }
  std::size_t bytes = 0;
};

}  // namespace qv::bench
