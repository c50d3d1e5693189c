#pragma once

#include "service/transport.h"

namespace qv::service {

// HTTP through libcurl. Proxy type 0 follows the proxy environment variables, 1 connects directly
// whatever they say, 3 goes through ProxyName:ProxyPort with the proxy credentials and no bypass.
// An exchange past its limits is given up with the empty answer. Nothing is ever retried: a POST
// goes out at most once.
class CurlTransport : public Transport {
 public:
  explicit CurlTransport(TransportLimits limits = {});
  ~CurlTransport() override;
  std::string Post(const std::string& host, int port, const std::string& path,
                   const std::string& body, const ProxySettings& proxy) override;
  std::string Get(const std::string& url) override;

 private:
  TransportLimits limits_;
};

}  // namespace qv::service
