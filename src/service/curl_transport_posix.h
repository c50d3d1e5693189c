#pragma once

#include <functional>

#include "service/transport.h"

namespace qv::service {

// HTTP through libcurl. Proxy type 0 follows the proxy environment variables, 1 connects directly
// whatever they say, 3 goes through ProxyName:ProxyPort with the proxy credentials and no bypass.
// An exchange past its limits is given up with the empty answer. Nothing is ever retried: a POST
// goes out at most once. Over https the certificate is checked against the system's authorities
// and those of `caFile`, and through a named proxy the exchange goes in a CONNECT tunnel.
class CurlTransport : public Transport {
 public:
  // Told why an exchange gave the empty answer: the URL and libcurl's reason.
  using FailureReport = std::function<void(const std::string& why)>;
  explicit CurlTransport(TransportSettings settings = {}, FailureReport report = {});
  ~CurlTransport() override;
  std::string Post(const Endpoint& to, const std::string& path, const std::string& body,
                   const ProxySettings& proxy) override;
  std::string Get(const std::string& url) override;

 private:
  TransportSettings settings_;
  FailureReport report_;
};

}  // namespace qv::service
