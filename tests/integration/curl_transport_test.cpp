#include "service/curl_transport_posix.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "service/fixed_random.h"
#include "service/m_http.h"
#include "service/protocol.h"
#include "support/loopback_server.h"
#include "support/service_request.h"
#include "values/fixed_clock.h"

namespace qv::service {
namespace {

using qv::testing::LoopbackServer;

// Sets an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class CurlTransportTest : public ::testing::Test {
 protected:
  CurlTransportTest() {
    for (const char* v : {"http_proxy", "HTTP_PROXY", "https_proxy", "all_proxy", "ALL_PROXY",
                          "no_proxy", "NO_PROXY"}) {
      ::unsetenv(v);
    }
  }
  CurlTransport transport;
  FixedClock clock{DateTime::FromParts(2026, 12, 5, 11, 26, 2)};
  FixedRandom random{0.5};
  ServiceGlobals globals;
  m_Http http{transport, clock, random, globals};

  void PointAt(const LoopbackServer& server) {
    globals.ServerAddress = "127.0.0.1";
    globals.ServerPort = server.Port();
    globals.BaseUrl = "http://127.0.0.1:" + std::to_string(server.Port());
  }
};

TEST_F(CurlTransportTest, TheLoginBodyOnTheWire) {
  LoopbackServer server("000");
  PointAt(server);
  const auto body = FormBody::WithCredentials(http, "alice", "abc");
  EXPECT_EQ(http.HttpPost(path::kLogin, body.str()), "000");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  testing::ExpectServiceRequest(requests[0], "POST /SMS_Excel/LoginCheck.asp HTTP/1.1",
                                "user=alice&passwd=o%0Coo%02");
}

TEST_F(CurlTransportTest, ALongAnswerArrivesWholeAndInOrder) {
  std::string answer;
  for (int i = 0; answer.size() < 5000; ++i) answer += std::to_string(i) + ",";
  answer.resize(5000);
  LoopbackServer server(answer);
  PointAt(server);
  EXPECT_EQ(http.HttpPost("x", "y=1"), answer);
}

TEST_F(CurlTransportTest, AnAnswerIsReturnedUntrimmedAndDecoded) {
  LoopbackServer server(" caf\xE9\r\n");
  PointAt(server);
  EXPECT_EQ(http.HttpPost("x", ""), " caf\xC3\xA9\r\n");
}

// A server that keeps sending a byte now and then never falls silent; the deadline ends it.
TEST_F(CurlTransportTest, AnExchangeStillRunningAtItsDeadlineGivesTheEmptyAnswer) {
  LoopbackServer server("000", false, LoopbackServer::Manner::Drip(std::chrono::milliseconds(100)));
  CurlTransport limited({.deadlineSeconds = 1});
  const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/m";
  EXPECT_EQ(limited.Post({false, "127.0.0.1", server.Port()}, "x", "y=1", {}), "");
  EXPECT_EQ(limited.Get(url), "");
}

// Answers up to the cap arrive whole; one byte more and the exchange is given up, whether the
// answer says its length or not.
TEST_F(CurlTransportTest, AnAnswerPastItsCapGivesTheEmptyAnswer) {
  const std::string answer(100000, 'r');
  for (bool withoutLength : {false, true}) {
    LoopbackServer server(answer, false, LoopbackServer::Manner::WithoutLength(withoutLength));
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/m";
    CurlTransport exact({.answerBytes = answer.size()});
    CurlTransport smaller({.answerBytes = answer.size() - 1});
    EXPECT_EQ(exact.Post({false, "127.0.0.1", server.Port()}, "x", "y=1", {}), answer)
        << withoutLength;
    EXPECT_EQ(smaller.Post({false, "127.0.0.1", server.Port()}, "x", "y=1", {}), "")
        << withoutLength;
    EXPECT_EQ(smaller.Get(url), "") << withoutLength;
  }
}

TEST_F(CurlTransportTest, AClosedPortGivesTheEmptyAnswerQuickly) {
  globals.ServerAddress = "127.0.0.1";
  globals.ServerPort = LoopbackServer::ClosedPort();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(http.HttpPost("x", "y"), "");
  EXPECT_EQ(http.HttpGet("http://127.0.0.1:" + std::to_string(globals.ServerPort) + "/m"), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(CurlTransportTest, NamedProxyCarriesTheRequestAndItsCredentials) {
  LoopbackServer proxy("000", true);
  ASSERT_LT(proxy.Port(), 10000);
  globals.ServerAddress = "service.invalid";
  globals.ServerPort = 0;
  globals.Proxy = {3, "127.0.0.1", static_cast<std::int16_t>(proxy.Port()), "bob", "pw"};
  ScopedEnv noProxy("no_proxy", "*");  // must not bypass the named proxy
  EXPECT_EQ(http.HttpPost(path::kBalance, "user=a"), "000");
  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
            "POST http://service.invalid/SMS_Excel/Get_Balance.asp HTTP/1.1");
  EXPECT_NE(requests[0].find("\r\nProxy-Authorization: Basic Ym9iOnB3\r\n"), std::string::npos)
      << requests[0];
}

TEST_F(CurlTransportTest, DirectIgnoresTheProxyEnvironmentAndSystemFollowsIt) {
  LoopbackServer server("direct");
  LoopbackServer proxy("via proxy");
  PointAt(server);
  ScopedEnv env("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port()));
  globals.Proxy.ProxyType = 1;
  EXPECT_EQ(http.HttpPost("x", "y"), "direct");
  globals.Proxy.ProxyType = 0;
  EXPECT_EQ(http.HttpPost("x", "y"), "via proxy");
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST_F(CurlTransportTest, GetIgnoresTheAddInsProxy) {
  LoopbackServer server("<QUORVALENT>L-Live</QUORVALENT>");
  PointAt(server);
  globals.Proxy = {3, "127.0.0.1", 9, "", ""};  // nothing answers there
  EXPECT_EQ(http.HttpGet(globals.BaseUrl + path::kModes), "<QUORVALENT>L-Live</QUORVALENT>");
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")),
            "GET /SMS_Excel/Get_Modes.asp HTTP/1.1");
  EXPECT_NE(requests[0].find("\r\nUser-Agent: x73x50418\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qv::service
