// The add-in on Windows' own transport, against the real stand-in gateway that
// against_gateway.sh starts: what the service sees is what it sees from the curl transport.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "addin/connect.h"
#include "borrowed_environment.h"
#include "connect_com/connect_com.h"
#include "fake_excel.h"
#include "host/memory_application.h"
#include "send/frm_send_sms.h"
#include "service/random.h"
#include "service/wininet_transport_win32.h"
#include "settings/memory_settings.h"
#include "support/script_login.h"
#include "support/send_steps.h"
#include "ui/scripted_ui.h"
#include "values/clock_win32.h"

namespace qv::testing {
namespace {

// The adapters of the add-in on Windows against the gateway: WinINet and the system clock and
// draw; the Ui, the settings and the shell are the tests' own.
struct GatewayFakes {
  ui::ScriptedUi ui;
  service::WinInetTransport transport;
  settings::MemorySettings settings;
  SystemClock clock;
  service::SystemRandom random;
  RecordingShell shell;
  addin::Platform Platform(const char* address = std::getenv("QV_GATEWAY")) {
    return {ui, transport, settings, clock, random, shell, address ? address : ""};
  }
};

class AgainstGatewayTest : public ::testing::Test, protected GatewayFakes {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("QV_GATEWAY"), nullptr) << "run through against_gateway.sh";
    app.AddWorkbook("Book1", {"Sheet1"});
    connect.AddinInstance_OnConnection(app);
    ScriptLogin(ui, "alice", "s3cret");
    connect.Login().Show(ui::Modality::Modal);
    ASSERT_TRUE(connect.Globals().IsLoggedIn) << (ui.Prompts().empty() ? "" : ui.Prompts().back());
  }
  // Clicks an entry of the add-in's menu, as a user would; the last box it showed.
  std::string Click(const std::string& caption) {
    host::CommandBarControl* entry = nullptr;
    auto& bar = app.GetCommandBars().Item(1);
    for (int i = 1; i <= bar.Controls().Count(); ++i) {
      auto& menu = bar.Controls().Item(i);
      if (menu.Caption() != "&Quorvalent") continue;
      for (int k = 1; k <= menu.Controls().Count(); ++k) {
        if (menu.Controls().Item(k).Caption() == caption) entry = &menu.Controls().Item(k);
      }
    }
    EXPECT_NE(entry, nullptr) << caption;
    if (entry) host::MemoryCommandBars::Click(*entry);
    return ui.Prompts().empty() ? "" : ui.Prompts().back();
  }

  host::MemoryApplication app;
  addin::Connect connect{Platform()};
};

TEST_F(AgainstGatewayTest, LoginBalanceALargeSendAndTheModes) {
  EXPECT_EQ(Click("Get Credits Balance"), "Your credit balance is 5000.00");

  host::MemorySheet& sheet = *app.ActiveSheet();
  for (int r = 2; r <= 2001; ++r) {
    sheet.SetValueAt("A" + std::to_string(r), 919800000000.0 + r);
    sheet.SetValueAt("B" + std::to_string(r), "Client \xC3\xA9" + std::to_string(r));
  }
  send::frmSendSMS& d = ShowSend(connect, app, "2", "2001", "Dear #B#, thank you");
  d.cmdSend.Press();
  EXPECT_EQ(ui.Prompts().back(), "2000 SMS Messages Sent");
  EXPECT_EQ(Click("Get Credits Balance"), "Your credit balance is 3000.00");

  EXPECT_EQ(Click("Get Mode Submissions"), "Mode of submissions has been downloaded");
  EXPECT_FALSE(settings.GetSetting("QuorvalentExcel", "STARTUP", "MODES").empty());
}

// The add-in as Excel holds it: the creatable Connect over a fake Excel reached through IDispatch,
// its menu clicked through the connection points, on WinINet against the real gateway.
TEST(AgainstGatewayThroughCom, TheMenusGetCreditsBalanceShowsTheBalance) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    host::MemoryApplication model;
    model.AddWorkbook("Book1");
    FakeExcel excel{model};
    GatewayFakes fakes;
    auto object = excel::ConnectObject::Make(Borrow(fakes.Platform()));
    ASSERT_EQ(
        object->OnConnection(excel.Application(), excel::ConnectMode::Startup, nullptr, nullptr),
        S_OK);
    host::CommandBarControls& buttons = model.GetCommandBars().Find("Quorvalent")->Controls();
    ScriptLogin(fakes.ui, "alice", "s3cret");
    for (int i = 1; i <= buttons.Count(); ++i) {
      if (buttons.Item(i).Caption() == "Get Credits Balance") excel.Click(buttons.Item(i));
    }
    // The other test of this gateway may have spent some of the 5000 credits.
    const std::string shown = fakes.ui.Prompts().back();
    EXPECT_TRUE(std::regex_match(shown, std::regex("Your credit balance is [0-9]+\\.[0-9][0-9]")))
        << shown;
    object->OnDisconnection(excel::DisconnectMode::HostShutdown, nullptr);
    EXPECT_EQ(excel.Held(), std::vector<std::string>{});
  }
  CoUninitialize();
}

// An authority in the user's store of trusted roots while this lives, as a user puts one there
// (the registry's store, written when it is closed: a program reads it when it first checks a
// certificate).
class TrustedByTheUser {
 public:
  explicit TrustedByTheUser(const std::string& pem) {
    DWORD size = 0;
    if (CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                             nullptr)) {
      der_.resize(size);
      CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der_.data(), &size, nullptr,
                           nullptr);
    }
    HCERTSTORE store = OpenStore();
    if (!store) return;
    added_ = !der_.empty() &&
             CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der_.data(), size,
                                              CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
  }
  ~TrustedByTheUser() {
    if (!added_) return;
    HCERTSTORE store = OpenStore();
    PCCERT_CONTEXT mine = CertCreateCertificateContext(X509_ASN_ENCODING, der_.data(),
                                                       static_cast<DWORD>(der_.size()));
    if (store && mine) {
      if (PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                            CERT_FIND_EXISTING, mine, nullptr))
        CertDeleteCertificateFromStore(found);  // frees `found` too
    }
    if (mine) CertFreeCertificateContext(mine);
    if (store) CertCloseStore(store, 0);
  }
  TrustedByTheUser(const TrustedByTheUser&) = delete;
  TrustedByTheUser& operator=(const TrustedByTheUser&) = delete;
  bool Added() const { return added_; }

 private:
  static HCERTSTORE OpenStore() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER,
                         L"Root");
  }
  std::vector<BYTE> der_;
  bool added_ = false;
};

// Over https WinINet checks the certificate as Windows does: one the user's authorities vouch for
// and made out to the host is accepted; one made out to another name, or from an authority nobody
// trusts (here, one that signed itself), is no answer.
TEST(AgainstGatewayOverHttps, TheCertificateMustComeFromATrustedAuthorityAndNameTheHost) {
  const char* https = std::getenv("QV_GATEWAY_HTTPS");
  const char* misnamed = std::getenv("QV_GATEWAY_MISNAMED");
  const char* stranger = std::getenv("QV_GATEWAY_STRANGER");
  const char* authority = std::getenv("QV_GATEWAY_CA");
  ASSERT_TRUE(https && misnamed && stranger && authority) << "run through against_gateway.sh";
  const auto logIn = [](const char* address) {
    GatewayFakes fakes;
    host::MemoryApplication app;
    app.AddWorkbook("Book1", {"Sheet1"});
    addin::Connect connect{fakes.Platform(address)};
    connect.AddinInstance_OnConnection(app);
    ScriptLogin(fakes.ui, "alice", "s3cret");
    connect.Login().Show(ui::Modality::Modal);
    return connect.Globals().IsLoggedIn;
  };
  TrustedByTheUser trusted(authority);
  ASSERT_TRUE(trusted.Added());
  EXPECT_TRUE(logIn(https));
  EXPECT_FALSE(logIn(misnamed)) << "a certificate for another name";
  EXPECT_FALSE(logIn(stranger)) << "a certificate no trusted authority signed";
}

}  // namespace
}  // namespace qv::testing
