#pragma once

#include <string>
#include <string_view>

#include "service/random.h"
#include "service/transport.h"
#include "values/clock.h"

namespace qv::service {

// Where the service is and how to reach it; set at connect and by the proxy dialog.
struct ServiceGlobals {
  std::string ServerAddress;  // host of every POST
  int ServerPort = 0;         // 0 = the scheme's default port
  bool ServerHttps = false;   // the address named https
  std::string BaseUrl;        // the scheme and the address, prefix of the one GET
  ProxySettings Proxy;
};

// The four routines through which the add-in talks to the service.
class m_Http {
 public:
  m_Http(Transport& transport, Clock& clock, Random& random, const ServiceGlobals& globals)
      : transport_(transport), clock_(clock), random_(random), globals_(globals) {}

  // POSTs `body` to `path` (relative, no leading slash) on the service with the current proxy
  // settings. The answer comes back exactly as received, or empty when nothing could be read.
  // Text that the wire's code page cannot carry is refused (EncodingError) before anything is sent.
  std::string HttpPost(const std::string& path, const std::string& body);
  // GETs a full URL, ignoring the add-in's proxy settings.
  std::string HttpGet(const std::string& url);

  // Shifts every character by a key drawn from the present moment, hides the key at a random
  // position and appends that position. An empty password gives the character of code 1.
  std::string ScramblePassword(const std::string& password);

  // Form encoding: letters and digits pass, a blank becomes "+", every other byte of the text in
  // the wire's code page becomes "%" and two upper-case hexadecimal digits.
  static std::string URLEncode(std::string_view text);
  // The same, appended to `out`.
  static void AppendURLEncoded(std::string& out, std::string_view text);

 private:
  Transport& transport_;
  Clock& clock_;
  Random& random_;
  const ServiceGlobals& globals_;
};

}  // namespace qv::service
