#include "service/frm_proxy_settings.h"

#include <gtest/gtest.h>

#include "settings/memory_settings.h"
#include "ui/scripted_ui.h"

namespace qv::service {
namespace {

class ProxyDialogTest : public ::testing::Test {
 protected:
  // Opens the dialog and runs `script` on it as the user.
  void Open(std::function<void(frmProxySettings&)> script) {
    ui.OnShow<frmProxySettings>("frmProxySettings", std::move(script));
    dialog.Show(ui::Modality::Modal);
  }
  std::string Stored(const std::string& key) {
    return store.GetSetting("QuorvalentExcel", "ProxySettings", key, "<absent>");
  }
  void Fill(frmProxySettings& f, const char* host, const char* port, const char* user = "",
            const char* pwd = "") {
    f.txtHostName.Text = host;
    f.txtPort.Text = port;
    f.txtUserName.Text = user;
    f.txtPassword.Text = pwd;
  }

  ui::ScriptedUi ui;
  settings::MemorySettings store;
  ProxySettings proxy;
  frmProxySettings dialog{ui, store, proxy};
};

TEST_F(ProxyDialogTest, NamedProxyChecksHostThenPort) {
  const struct {
    const char* host;
    const char* port;
    const char* message;
    const char* focus;
  } cases[] = {
      {"   ", "8080", "Invalid Proxy Name/Address", "txtHostName"},
      {"gw", "abc", "Invalid Proxy Port", "txtPort"},
      {"gw", "0", "Invalid Proxy Port", "txtPort"},
      {"gw", "", "Invalid Proxy Port", "txtPort"},
  };
  for (const auto& c : cases) {
    ui.ClearBoxes();
    Open([&](frmProxySettings& f) {
      f.cboProxyType.SetListIndex(2);
      Fill(f, c.host, c.port);
      f.cmdOk.Press();
      EXPECT_TRUE(f.IsLoaded()) << "the dialog stays open";
      EXPECT_EQ(f.FocusedControl()->Name(), c.focus);
    });
    EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{c.message, 16, "Quorvalent"}}))
        << c.host << c.port;
  }
  EXPECT_TRUE(store.All().empty());
}

TEST_F(ProxyDialogTest, NamedProxyIsStoredTrimmedWithTheNumericPort) {
  for (const char* port : {" 3128", "3128", "80x"}) {
    Open([&](frmProxySettings& f) {
      f.cboProxyType.SetListIndex(2);
      Fill(f, " gw ", port, " bob ", " pw ");
      f.cmdOk.Press();
      EXPECT_FALSE(f.IsLoaded());
    });
    const std::string expectedPort = std::string(port) == "80x" ? "80" : "3128";
    EXPECT_EQ(Stored("ProxyType"), "3");
    EXPECT_EQ(Stored("ProxyName"), "gw");
    EXPECT_EQ(Stored("ProxyPort"), expectedPort);
    EXPECT_EQ(Stored("ProxyUserName"), "bob");
    EXPECT_EQ(Stored("ProxyUserPWD"), "pw");
    EXPECT_EQ(proxy.ProxyPort, std::stoi(expectedPort));
  }
  EXPECT_TRUE(ui.Boxes().empty());
  EXPECT_EQ(ui.Pointer(), ui::MousePointer::Default);
}

TEST_F(ProxyDialogTest, PortBoxTakesFourCharacters) {
  Open([&](frmProxySettings& f) {
    f.cboProxyType.SetListIndex(2);
    f.txtPort.Text.clear();
    f.txtPort.Type("312899");
    EXPECT_EQ(f.txtPort.Text, "3128");
  });
}

// The port is kept as a signed 16-bit number: 32767 is the last that fits.
TEST_F(ProxyDialogTest, APortThatDoesNotFitShowsNumberAndDescription) {
  for (const char* port : {"32767", "32768", "99999"}) {  // set from code, past the box's limit
    ui.ClearBoxes();
    const bool fits = std::string(port) == "32767";
    Open([&](frmProxySettings& f) {
      f.cboProxyType.SetListIndex(2);
      f.txtHostName.Text = "gw";
      f.txtPort.Text = port;
      f.cmdOk.Press();
      EXPECT_EQ(f.IsLoaded(), !fits) << port;
      if (f.IsLoaded()) f.cmdCancel.Press();
    });
    if (fits) {
      EXPECT_TRUE(ui.Boxes().empty());
      EXPECT_EQ(Stored("ProxyPort"), "32767");
    } else {
      EXPECT_EQ(ui.Boxes(), (std::vector<ui::ScriptedUi::Box>{{"6 - Overflow", 16, "Quorvalent"}}))
          << port;
    }
    EXPECT_EQ(ui.Pointer(), ui::MousePointer::Default);
  }
}

TEST_F(ProxyDialogTest, SwitchingToDirectEmptiesAndDisablesTheBoxes) {
  proxy = {3, "gw", 3128, "bob", "pw"};
  Open([&](frmProxySettings& f) {
    EXPECT_EQ(f.cboProxyType.Text, "Use proxy list");
    EXPECT_TRUE(f.txtHostName.Enabled);
    f.cboProxyType.SetListIndex(1);
    for (ui::TextBox* box : {&f.txtHostName, &f.txtPort, &f.txtUserName, &f.txtPassword}) {
      EXPECT_FALSE(box->Enabled);
      EXPECT_EQ(box->Text, "");
    }
    f.cmdOk.Press();
  });
  EXPECT_EQ(Stored("ProxyType"), "1");
  EXPECT_EQ(Stored("ProxyName"), "");
  EXPECT_EQ(Stored("ProxyPort"), "0");
  EXPECT_EQ(Stored("ProxyUserName"), "");
  EXPECT_EQ(Stored("ProxyUserPWD"), "");
}

TEST_F(ProxyDialogTest, ReopeningShowsWhatWasStored) {
  proxy = {3, "gw", 3128, "bob", "pw"};
  Open([&](frmProxySettings& f) {
    EXPECT_EQ(f.cboProxyType.ListIndex(), 2);
    EXPECT_EQ(f.txtHostName.Text, "gw");
    EXPECT_EQ(f.txtPort.Text, "3128");
    EXPECT_EQ(f.txtUserName.Text, "bob");
    EXPECT_EQ(f.txtPassword.Text, "pw");
    EXPECT_EQ(f.txtPassword.PasswordChar, '*');
  });
  for (std::int16_t type : {0, 1}) {
    proxy = {type, "", 0, "", ""};
    Open([&](frmProxySettings& f) {
      EXPECT_EQ(f.cboProxyType.ListIndex(), type);
      EXPECT_EQ(f.txtPort.Text, "");
      EXPECT_FALSE(f.txtPort.Enabled);
    });
  }
}

TEST_F(ProxyDialogTest, CancelAndEscapeChangeNothing) {
  Open([&](frmProxySettings& f) {
    f.cboProxyType.SetListIndex(1);
    f.cmdCancel.Press();
  });
  Open([&](frmProxySettings& f) {
    f.cboProxyType.SetListIndex(1);
    f.Form_KeyPress(27);
    EXPECT_FALSE(f.IsLoaded());
  });
  EXPECT_TRUE(store.All().empty());
  EXPECT_EQ(proxy.ProxyType, 0);
}

TEST_F(ProxyDialogTest, AnUnknownStoredTypeOpensWithoutSelectionAndOkKeepsIt) {
  proxy = {2, "x", 5, "", ""};
  Open([&](frmProxySettings& f) {
    EXPECT_EQ(f.cboProxyType.ListIndex(), -1);
    f.cmdOk.Press();
    EXPECT_FALSE(f.IsLoaded());
  });
  EXPECT_EQ(proxy.ProxyType, 2);
  EXPECT_TRUE(store.All().empty());
}

TEST(GetProxySettings, ReadsTheStoredNumbersAfterALeadingZero) {
  const struct {
    const char* storedType;
    std::int16_t type;
  } cases[] = {{nullptr, 0}, {"3", 3}, {"1", 1}, {"-1", 0}, {"", 0}, {"x", 0}};
  for (const auto& c : cases) {
    settings::MemorySettings store;
    if (c.storedType) store.Save("QuorvalentExcel", "ProxySettings", "ProxyType", c.storedType);
    store.Save("QuorvalentExcel", "ProxySettings", "ProxyPort", "3128");
    store.Save("QuorvalentExcel", "ProxySettings", "ProxyName", "gw");
    ProxySettings proxy;
    GetProxySettings(store, proxy);
    EXPECT_EQ(proxy.ProxyType, c.type) << (c.storedType ? c.storedType : "absent");
    EXPECT_EQ(proxy.ProxyPort, 3128);
    EXPECT_EQ(proxy.ProxyName, "gw");
  }
}

TEST(GetProxySettings, AFailureLeavesTheRestAsItWas) {
  settings::MemorySettings store;
  store.Save("QuorvalentExcel", "ProxySettings", "ProxyType", "1");
  store.Save("QuorvalentExcel", "ProxySettings", "ProxyName", "gw");
  store.Save("QuorvalentExcel", "ProxySettings", "ProxyPort", "99999");
  store.Save("QuorvalentExcel", "ProxySettings", "ProxyUserName", "bob");
  ProxySettings proxy{0, "old", 7, "olduser", "oldpwd"};
  GetProxySettings(store, proxy);
  EXPECT_EQ(proxy.ProxyType, 1);
  EXPECT_EQ(proxy.ProxyName, "gw");
  EXPECT_EQ(proxy.ProxyPort, 7);
  EXPECT_EQ(proxy.ProxyUserName, "olduser");
}

}  // namespace
}  // namespace qv::service
