#include "service/wininet_transport_win32.h"

#include <windows.h>

#include <wininet.h>

#include <memory>

#include "values/cp1252.h"

namespace qv::service {
namespace {

constexpr const char* kUserAgent = "x73x50418";
constexpr const char* kFormHeader = "Content-Type: application/x-www-form-urlencoded\r\n";

struct HandleCloser {
  void operator()(HINTERNET h) const { InternetCloseHandle(h); }
};
// Every handle is closed on every path, the request before its connection before its session.
using Handle = std::unique_ptr<void, HandleCloser>;

// Set on every handle of an exchange: Windows hands a session's time-outs down to its requests,
// Wine keeps each handle's own.
void SetTimeouts(HINTERNET handle, const TransportSettings& limits) {
  const auto set = [handle](DWORD option, long seconds) {
    DWORD ms = static_cast<DWORD>(seconds) * 1000;
    InternetSetOptionA(handle, option, &ms, sizeof ms);
  };
  set(INTERNET_OPTION_CONNECT_TIMEOUT, limits.connectSeconds);
  set(INTERNET_OPTION_SEND_TIMEOUT, limits.silentSeconds);
  set(INTERNET_OPTION_RECEIVE_TIMEOUT, limits.silentSeconds);
  DWORD once = 1;
  InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_RETRIES, &once, sizeof once);
}

// Reads the answer in chunks of `chunk` bytes until a read returns none. A read that fails (the
// server fell silent for too long, the connection broke), an exchange past its deadline and an
// answer past the cap all give the empty answer: half an answer is no answer.
std::string ReadAnswer(HINTERNET request, DWORD chunk, const TransportSettings& limits,
                       ULONGLONG started) {
  std::string answer;
  std::string buffer(chunk, '\0');
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request, buffer.data(), chunk, &read)) return {};
    if (read == 0) return answer;
    if (answer.size() + read > limits.answerBytes) return {};
    answer.append(buffer.data(), read);
    if (GetTickCount64() - started > static_cast<ULONGLONG>(limits.deadlineSeconds) * 1000)
      return {};
  }
}

}  // namespace

WinInetTransport::WinInetTransport(TransportSettings limits) : limits_(limits) {}

std::string WinInetTransport::Post(const Endpoint& to, const std::string& path,
                                   const std::string& body, const ProxySettings& proxy) {
  const ULONGLONG started = GetTickCount64();
  try {
    const bool named = proxy.ProxyType == 3;
    const std::string proxyList = proxy.ProxyName + ":" + std::to_string(proxy.ProxyPort);
    // The proxy's credentials cross in the wire's code page, as the host and the path do.
    const std::string user = named ? Utf8ToCp1252(proxy.ProxyUserName) : std::string();
    const std::string password = named ? Utf8ToCp1252(proxy.ProxyUserPWD) : std::string();
    Handle session(InternetOpenA(kUserAgent, named ? INTERNET_OPEN_TYPE_PROXY : proxy.ProxyType,
                                 named ? proxyList.c_str() : "", "", 0));
    if (!session) return {};
    SetTimeouts(session.get(), limits_);
    // Port 0 is the HTTP service's default; https names its own.
    const INTERNET_PORT port = static_cast<INTERNET_PORT>(
        to.port ? to.port
                : (to.https ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_INVALID_PORT_NUMBER));
    Handle connection(InternetConnectA(session.get(), to.host.c_str(), port, user.c_str(),
                                       password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return {};
    SetTimeouts(connection.get(), limits_);
    // Over https the certificate is checked as Windows checks it (the system's and the user's
    // stores, the name against the host); no flag lets a failing one through.
    const DWORD flags = INTERNET_FLAG_KEEP_CONNECTION | (to.https ? INTERNET_FLAG_SECURE : 0);
    Handle request(HttpOpenRequestA(connection.get(), "POST", path.c_str(), "HTTP/1.1", "", nullptr,
                                    flags, 0));
    if (!request) return {};
    SetTimeouts(request.get(), limits_);
    if (named) {
      // A proxy that asks for credentials gets them here; the connection's are the server's.
      InternetSetOptionA(request.get(), INTERNET_OPTION_PROXY_USERNAME,
                         const_cast<char*>(user.c_str()), static_cast<DWORD>(user.size()));
      InternetSetOptionA(request.get(), INTERNET_OPTION_PROXY_PASSWORD,
                         const_cast<char*>(password.c_str()), static_cast<DWORD>(password.size()));
    }
    if (!HttpSendRequestA(request.get(), kFormHeader, static_cast<DWORD>(strlen(kFormHeader)),
                          const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
      return {};
    }
    return ReadAnswer(request.get(), 1024, limits_, started);
  } catch (const std::exception&) {
    // Credentials the wire cannot carry: the exchange cannot happen, which is the empty answer.
    return {};
  }
}

std::string WinInetTransport::Get(const std::string& url) {
  const ULONGLONG started = GetTickCount64();
  Handle session(InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return {};
  SetTimeouts(session.get(), limits_);
  Handle request(InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
  if (!request) return {};
  SetTimeouts(request.get(), limits_);
  return ReadAnswer(request.get(), 2048, limits_, started);
}

}  // namespace qv::service
