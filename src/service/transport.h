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

// Where the POSTs go: over http or https, to a host (a name, an IPv4 address or a bracketed IPv6
// one) and a port, 0 being the scheme's default port.
struct Endpoint {
  bool https = false;
  std::string host;
  int port = 0;
};

// The start of every URL of the endpoint: "http://" or "https://", the host, and ":port" unless
// the port is the default.
inline std::string Origin(const Endpoint& at) {
  return (at.https ? "https://" : "http://") + at.host +
         (at.port ? ":" + std::to_string(at.port) : "");
}

// How every exchange goes. What one exchange may take: a connection gets `connectSeconds` to open;
// an exchange that receives nothing for `silentSeconds`, that is not over after `deadlineSeconds`
// (a server that drips never falls silent), or whose answer grows past `answerBytes`, is given up
// and gives the empty answer, like a dead server.
struct TransportSettings {
  long connectSeconds = 60;
  long silentSeconds = 120;
  long deadlineSeconds = 600;                       // the largest send on a slow link
  std::size_t answerBytes = std::size_t{64} << 20;  // ample for the largest report
  // A PEM file of certificate authorities trusted for https besides the system's own (the
  // transports on Linux; on Windows such an authority goes into the user's certificate store).
  std::string caFile{};
};

// The HTTP exchange itself, on bytes in the wire's code page. Both calls return the answer body as
// received, or the empty string when nothing could be read; neither ever throws.
class Transport {
 public:
  virtual ~Transport() = default;
  // POSTs a form-encoded body to the endpoint's `path`. Over https the service's certificate must
  // be valid for its host and come from a trusted authority, else the exchange does not happen.
  virtual std::string Post(const Endpoint& to, const std::string& path, const std::string& body,
                           const ProxySettings& proxy) = 0;
  // GETs a full URL, through the system's proxy settings only.
  virtual std::string Get(const std::string& url) = 0;
};

}  // namespace qv::service
