#pragma once

#include <cstdint>
#include <string>

namespace qv::service {

// How POSTs reach the service: 0 = the system's settings, 1 = directly, 3 = the named proxy.
struct ProxySettings {
  std::int16_t ProxyType = 0;
  std::string ProxyName;
  std::int16_t ProxyPort = 0;
  std::string ProxyUserName;
  std::string ProxyUserPWD;
};

// The HTTP exchange itself, on bytes in the wire's code page. Both calls return the answer body as
// received, or the empty string when nothing could be read; neither ever throws.
class Transport {
 public:
  virtual ~Transport() = default;
  // POSTs a form-encoded body to http://host[:port]/path (port 0 is the default port).
  virtual std::string Post(const std::string& host, int port, const std::string& path,
                           const std::string& body, const ProxySettings& proxy) = 0;
  // GETs a full URL, through the system's proxy settings only.
  virtual std::string Get(const std::string& url) = 0;
};

}  // namespace qv::service
