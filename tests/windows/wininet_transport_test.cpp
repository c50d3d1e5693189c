// Winsock's header must come before windows.h.
#include "windows/loopback_server_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "service/wininet_transport_win32.h"
#include "support/service_request.h"

namespace qv::testing {
namespace {

using service::ProxySettings;
using service::TransportSettings;
using service::WinInetTransport;

std::string Head(const std::string& request) { return request.substr(0, request.find("\r\n\r\n")); }
std::string Body(const std::string& request) {
  return request.substr(request.find("\r\n\r\n") + 4);
}
bool HasLine(const std::string& request, const std::string& line) {
  return ("\r\n" + Head(request) + "\r\n").find("\r\n" + line + "\r\n") != std::string::npos;
}

// The login's request as the curl transport sends it (the same check holds both); an answer of
// more than one read's worth arrives whole and in order.
TEST(WinInetTransport, PostSendsTheFormAndReadsTheWholeAnswer) {
  std::string answer;
  for (int i = 0; i < 3000; ++i) answer += static_cast<char>('a' + i % 26);
  LoopbackServer server({LoopbackServer::Ok(answer)});
  WinInetTransport transport;
  ProxySettings direct;
  direct.ProxyType = 1;
  for (const std::string body : {"user=alice&passwd=o%0Coo%02", "text=%E9+%80&ver=1%2E0"}) {
    EXPECT_EQ(transport.Post({false, "127.0.0.1", server.Port()}, "SMS_Excel/LoginCheck.asp", body,
                             direct),
              answer);
    ExpectServiceRequest(server.Requests().back(), "POST /SMS_Excel/LoginCheck.asp HTTP/1.1", body);
  }
}

TEST(WinInetTransport, GetReadsTheWholeAnswer) {
  const std::string answer = "<QUORVALENT>" + std::string(5000, 'm') + "</QUORVALENT>";
  LoopbackServer server({LoopbackServer::Ok(answer)});
  WinInetTransport transport;
  EXPECT_EQ(transport.Get("http://127.0.0.1:" + std::to_string(server.Port()) +
                          "/SMS_Excel/Get_Modes.asp"),
            answer);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_TRUE(server.Requests()[0].starts_with("GET /SMS_Excel/Get_Modes.asp HTTP/1.1\r\n"));
  EXPECT_TRUE(HasLine(server.Requests()[0], "User-Agent: x73x50418"));
}

// A refused connection answers empty at once; a server that takes the request and never answers
// gives the empty answer once it has been silent too long, and gets the request exactly once.
TEST(WinInetTransport, FailuresAreEmptyAnswersAndNothingIsRepeated) {
  ProxySettings direct;
  direct.ProxyType = 1;
  int closedPort = 0;
  {
    LoopbackServer gone({});
    closedPort = gone.Port();
  }
  WinInetTransport transport;
  const ULONGLONG before = GetTickCount64();
  EXPECT_EQ(transport.Post({false, "127.0.0.1", closedPort}, "x", "a=1", direct), "");
  EXPECT_LT(GetTickCount64() - before, 5000u);

  LoopbackServer silent({}, LoopbackServer::Manner::Silent);
  TransportSettings limits;
  limits.silentSeconds = 1;
  WinInetTransport impatient(limits);
  EXPECT_EQ(impatient.Post({false, "127.0.0.1", silent.Port()}, "x", "a=1", direct), "");
  EXPECT_EQ(silent.Requests().size(), 1u);
}

// An answer past the cap is no answer.
TEST(WinInetTransport, AnAnswerPastTheCapIsEmpty) {
  ProxySettings direct;
  direct.ProxyType = 1;
  TransportSettings limits;
  limits.answerBytes = 2048;
  for (const std::size_t size : {std::size_t{2048}, std::size_t{2049}}) {
    LoopbackServer server({LoopbackServer::Ok(std::string(size, 'z'))});
    WinInetTransport transport(limits);
    EXPECT_EQ(transport.Post({false, "127.0.0.1", server.Port()}, "x", "a=1", direct).size(),
              size == 2048 ? size : 0u);
  }
}

// The system's proxy, as the Internet settings of the user name it, for the life of this object.
class SystemProxy {
 public:
  explicit SystemProxy(const std::string& server) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    DWORD on = 1;
    RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on),
                   sizeof on);
    const std::wstring wide(server.begin(), server.end());
    RegSetValueExW(key_, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  }
  ~SystemProxy() {
    RegDeleteValueW(key_, L"ProxyEnable");
    RegDeleteValueW(key_, L"ProxyServer");
    RegCloseKey(key_);
  }

 private:
  static constexpr const wchar_t* kKey =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  HKEY key_ = nullptr;
};

// Type 1 goes straight to the server even when the system names a proxy; type 0 takes the
// system's way.
TEST(WinInetTransport, DirectIgnoresTheSystemsProxy) {
  LoopbackServer server({LoopbackServer::Ok("000")});
  LoopbackServer systemProxy({LoopbackServer::Ok("through the proxy")});
  SystemProxy configured("127.0.0.1:" + std::to_string(systemProxy.Port()));
  WinInetTransport transport;
  ProxySettings settings;
  settings.ProxyType = 1;
  EXPECT_EQ(transport.Post({false, "127.0.0.1", server.Port()}, "x", "a=1", settings), "000");
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_TRUE(systemProxy.Requests().empty());
  settings.ProxyType = 0;
  EXPECT_EQ(transport.Post({false, "127.0.0.1", server.Port()}, "x", "a=1", settings),
            "through the proxy");
  EXPECT_EQ(systemProxy.Requests().size(), 1u);
}

// Type 3 goes through the named proxy, which gets the whole address and, when it asks, the
// credentials.
TEST(WinInetTransport, ANamedProxyGetsTheRequestAndItsCredentials) {
  LoopbackServer proxy(
      {"HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"q\"\r\n"
       "Content-Length: 0\r\nConnection: close\r\n\r\n",
       LoopbackServer::Ok("000")});
  ProxySettings named;
  named.ProxyType = 3;
  named.ProxyName = "127.0.0.1";
  named.ProxyPort = static_cast<std::int16_t>(proxy.Port());
  named.ProxyUserName = "bob";
  named.ProxyUserPWD = "secret";
  WinInetTransport transport;
  EXPECT_EQ(
      transport.Post({false, "sms.example.test", 0}, "SMS_Excel/Get_Balance.asp", "a=1", named),
      "000");
  const auto requests = proxy.Requests();
  ASSERT_FALSE(requests.empty());
  // The whole address goes to the proxy (Wine writes the default port in it, Windows may not).
  EXPECT_TRUE(requests[0].starts_with("POST http://sms.example.test")) << requests[0];
  EXPECT_NE(Head(requests[0]).find("/SMS_Excel/Get_Balance.asp HTTP/1.1"), std::string::npos);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(HasLine(requests[1], "Proxy-Authorization: Basic Ym9iOnNlY3JldA==")) << requests[1];
  EXPECT_EQ(Body(requests[1]), "a=1");
}

}  // namespace
}  // namespace qv::testing
