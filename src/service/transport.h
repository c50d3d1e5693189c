#pragma once

#include <cstddef>
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

// What one exchange may take: a connection gets `connectSeconds` to open; an exchange that
// receives nothing for `silentSeconds`, that is not over after `deadlineSeconds` (a server that
// drips never falls silent), or whose answer grows past `answerBytes`, is given up and gives the
// empty answer, like a dead server.
struct TransportLimits {
  long connectSeconds = 60;
  long silentSeconds = 120;
  long deadlineSeconds = 600;                       // the largest send on a slow link
  std::size_t answerBytes = std::size_t{64} << 20;  // ample for the largest report
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
