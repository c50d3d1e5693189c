// The add-in against the real gateway over https, through the curl transport: the certificate is
// checked against the system's authorities and those of CAFile, and its name against the host.
#include <gtest/gtest.h>

#include "addin/connect.h"
#include "host/memory_application.h"
#include "service/curl_transport_posix.h"
#include "settings/memory_settings.h"
#include "support/certificates.h"
#include "support/gateway_process.h"
#include "support/loopback_server.h"
#include "support/script_login.h"
#include "ui/scripted_ui.h"
#include "values/clock_posix.h"

namespace qv::testing {
namespace {

// What the login shows when the service cannot be reached.
constexpr const char* kNoConnection =
    "No Response!!!\nPlease Check Your Proxy Settings & Internet Connection!!!\n\nDo You Want To "
    "Edit Proxy Settings?";

struct Outcome {
  bool loggedIn = false;
  std::string box;       // the last box the login showed
  std::string reported;  // why the transport gave the empty answer
};

class HttpsTest : public ::testing::Test {
 protected:
  static void AddAlice(const GatewayProcess& gateway) {
    gateway.Admin({"account", "add", "alice", "--password", "s3cret", "--credits", "100"});
  }
  // Connects the add-in to `address` and logs in as alice, as a user does.
  static Outcome LogIn(const std::string& address, const std::string& caFile,
                       const TunnelProxy* proxy = nullptr) {
    Outcome outcome;
    host::MemoryApplication app;
    app.AddWorkbook("Book1");
    ui::ScriptedUi ui;
    service::CurlTransport transport({.caFile = caFile},
                                     [&](const std::string& why) { outcome.reported += why; });
    settings::MemorySettings settings;
    if (proxy) {
      settings.Save(settings::kAppName, "ProxySettings", "ProxyType", "3");
      settings.Save(settings::kAppName, "ProxySettings", "ProxyName", "127.0.0.1");
      settings.Save(settings::kAppName, "ProxySettings", "ProxyPort",
                    std::to_string(proxy->Port()));
    }
    SystemClock clock;
    service::SystemRandom random;
    RecordingShell shell;
    addin::Connect connect{{ui, transport, settings, clock, random, shell, address}};
    connect.AddinInstance_OnConnection(app);
    ScriptLogin(ui, "alice", "s3cret");
    connect.Login().Show(ui::Modality::Modal);
    outcome.loggedIn = connect.Globals().IsLoggedIn;
    outcome.box = ui.Prompts().empty() ? "" : ui.Prompts().back();
    return outcome;
  }
  TestCertificates certificates;
};

TEST_F(HttpsTest, OnlyACertificateFromATrustedAuthorityForTheHostIsAccepted) {
  const GatewayProcess::Tls serviceTls = certificates.Service();
  GatewayProcess service(&serviceTls);
  const GatewayProcess::Tls misnamedTls = certificates.Misnamed();
  GatewayProcess misnamed(&misnamedTls);
  AddAlice(service);
  AddAlice(misnamed);
  const std::string missing = certificates.Authority() + ".missing";
  const struct {
    const char* what;
    std::string address;
    std::string caFile;
    bool loggedIn;
    const char* reason;  // part of what the transport reports
  } cases[] = {
      {"trusted, right name", service.Address(), certificates.Authority(), true, ""},
      {"the host as a name", "https://localhost:" + std::to_string(service.Port()),
       certificates.Authority(), true, ""},
      {"an authority the system does not know", service.Address(), "", false, "certificate"},
      {"trusted, but for another name", misnamed.Address(), certificates.Authority(), false,
       "subject name"},
      {"the authorities' file missing", service.Address(), missing, false, "cannot be read"},
      {"plain http to the https port", "http://127.0.0.1:" + std::to_string(service.Port()),
       certificates.Authority(), false, ""},
  };
  for (const auto& c : cases) {
    const Outcome o = LogIn(c.address, c.caFile);
    EXPECT_EQ(o.loggedIn, c.loggedIn) << c.what << ": " << o.box;
    if (c.loggedIn) {
      EXPECT_EQ(o.reported, "") << c.what;
    } else {
      EXPECT_EQ(o.box, kNoConnection) << c.what;
      EXPECT_NE(o.reported.find(c.reason), std::string::npos) << c.what << ": " << o.reported;
    }
  }
}

// Through a named proxy https goes in a tunnel: the proxy sees only where to, never the request.
TEST_F(HttpsTest, ThroughANamedProxyTheExchangeGoesInATunnel) {
  const GatewayProcess::Tls tls = certificates.Service();
  GatewayProcess service(&tls);
  AddAlice(service);
  TunnelProxy proxy;
  const Outcome o = LogIn(service.Address(), certificates.Authority(), &proxy);
  EXPECT_TRUE(o.loggedIn) << o.box << o.reported;
  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string target = "127.0.0.1:" + std::to_string(service.Port());
  EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "CONNECT " + target + " HTTP/1.1");
  EXPECT_EQ(requests[0].find("s3cret"), std::string::npos);
  EXPECT_EQ(requests[0].find("LoginCheck"), std::string::npos);
}

}  // namespace
}  // namespace qv::testing
