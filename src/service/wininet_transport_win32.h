#pragma once

#include "service/transport.h"

namespace qv::service {

// HTTP through WinINet, as Windows programs of this kind talk to the service. Proxy type 0 follows
// the system's settings, 1 connects directly whatever they say, 3 goes through
// ProxyName:ProxyPort with the proxy credentials. An exchange past its limits is given up with the
// empty answer. Nothing is ever retried: a POST goes out at most once.
class WinInetTransport : public Transport {
 public:
  explicit WinInetTransport(TransportSettings limits = {});
  std::string Post(const Endpoint& to, const std::string& path, const std::string& body,
                   const ProxySettings& proxy) override;
  std::string Get(const std::string& url) override;

 private:
  TransportSettings limits_;
};

}  // namespace qv::service
