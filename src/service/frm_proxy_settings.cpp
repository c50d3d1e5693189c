#include "service/frm_proxy_settings.h"

#include "ui/ui.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::service {
namespace {

constexpr const char* kSection = "ProxySettings";

// The proxy types in list order: the index is the stored type, but the named proxy is stored as 3.
constexpr const char* kTypeEntries[] = {"Proxy config from registry",
                                        "Directly connect to the Internet", "Use proxy list"};
constexpr int kNamedProxyIndex = 2;
constexpr std::int16_t kNamedProxyType = 3;

// The numeric value of "0" followed by the stored text, so an empty text reads as 0.
std::int16_t StoredNumber(settings::Settings& store, const char* key) {
  return ToInt16(NumericValue("0" + store.GetSetting(settings::kAppName, kSection, key, "0")));
}

}  // namespace

void GetProxySettings(settings::Settings& store, ProxySettings& proxy) {
  try {
    proxy.ProxyType = StoredNumber(store, "ProxyType");
    proxy.ProxyName = store.GetSetting(settings::kAppName, kSection, "ProxyName");
    proxy.ProxyPort = StoredNumber(store, "ProxyPort");
    proxy.ProxyUserName = store.GetSetting(settings::kAppName, kSection, "ProxyUserName");
    proxy.ProxyUserPWD = store.GetSetting(settings::kAppName, kSection, "ProxyUserPWD");
  } catch (const std::exception&) {
    // Silent by design: the add-in starts with what it could read.
  }
}

frmProxySettings::frmProxySettings(ui::Ui& ui, settings::Settings& store, ProxySettings& proxy)
    : Form(ui, "frmProxySettings"),
      lblHeading{{{*this, "lblHeading(0)"},
                  {*this, "lblHeading(1)"},
                  {*this, "lblHeading(2)"},
                  {*this, "lblHeading(3)"},
                  {*this, "lblHeading(4)"}}},
      cboProxyType(*this, "cboProxyType"),
      txtHostName(*this, "txtHostName"),
      txtPort(*this, "txtPort"),
      txtUserName(*this, "txtUserName"),
      txtPassword(*this, "txtPassword"),
      cmdOk(*this, "cmdOk"),
      cmdCancel(*this, "cmdCancel"),
      store_(store),
      proxy_(proxy) {
  cboProxyType.Click = [this] { cboProxyType_Click(); };
  cmdOk.Click = [this] { cmdOk_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void frmProxySettings::InitializeComponent() {
  Caption = "Proxy Settings";
  const char* headings[] = {"Proxy Type :", "Host :", "Port :", "User Name :", "Password :"};
  for (std::size_t i = 0; i < lblHeading.size(); ++i) lblHeading[i].Caption = headings[i];
  cboProxyType.Editable = false;
  txtPort.MaxLength = kPortLength;
  txtPassword.PasswordChar = '*';
  cmdOk.Caption = "&Ok";
  cmdCancel.Caption = "&Cancel";

  Width = 4800;
  Height = 3300;
  ui::Control* fields[] = {&cboProxyType, &txtHostName, &txtPort, &txtUserName, &txtPassword};
  for (std::size_t i = 0; i < lblHeading.size(); ++i) {
    const int top = 150 + static_cast<int>(i) * 420;
    lblHeading[i].Place(120, top + 30, 1200, 255);
    fields[i]->Place(1440, top, fields[i] == &txtPort ? 900 : 3000, 315);
  }
  cmdOk.Place(1860, 2280, 1215, 375);
  cmdCancel.Place(3225, 2280, 1215, 375);
}

void frmProxySettings::Form_Load() {
  for (const char* entry : kTypeEntries) cboProxyType.AddItem(entry);
  if (proxy_.ProxyType == 0 || proxy_.ProxyType == 1) {
    cboProxyType.SetListIndex(proxy_.ProxyType);
  } else if (proxy_.ProxyType == kNamedProxyType) {
    cboProxyType.SetListIndex(kNamedProxyIndex);
  }
  txtHostName.Text = proxy_.ProxyName;
  txtPort.Text = proxy_.ProxyPort == 0 ? "" : std::to_string(proxy_.ProxyPort);
  txtUserName.Text = proxy_.ProxyUserName;
  txtPassword.Text = proxy_.ProxyUserPWD;
}

void frmProxySettings::cboProxyType_Click() {
  const bool named = cboProxyType.ListIndex() == kNamedProxyIndex;
  for (ui::TextBox* box : {&txtHostName, &txtPort, &txtUserName, &txtPassword}) {
    box->Enabled = named;
    if (cboProxyType.ListIndex() < kNamedProxyIndex) box->Text.clear();
  }
}

void frmProxySettings::cmdOk_Click() {
  const int index = cboProxyType.ListIndex();
  if (index == kNamedProxyIndex) {
    if (Trim(txtHostName.Text).empty()) {
      ui().MsgBox("Invalid Proxy Name/Address", ui::mb::Critical, ui::kTitle);
      txtHostName.SetFocus();
      return;
    }
    if (NumericValue(txtPort.Text) == 0) {
      ui().MsgBox("Invalid Proxy Port", ui::mb::Critical, ui::kTitle);
      txtPort.SetFocus();
      return;
    }
  }
  // With no type chosen (a stored type the list does not know) the settings stay as they are.
  if (index < 0) {
    Unload();
    return;
  }
  try {
    {
      ui::BusyPointer busy(ui());
      if (index < kNamedProxyIndex) {
        proxy_ = ProxySettings{static_cast<std::int16_t>(index), "", 0, "", ""};
      } else {
        proxy_.ProxyType = kNamedProxyType;
        proxy_.ProxyName = Trim(txtHostName.Text);
        proxy_.ProxyPort = ToInt16(NumericValue(txtPort.Text));
        proxy_.ProxyUserName = Trim(txtUserName.Text);
        proxy_.ProxyUserPWD = Trim(txtPassword.Text);
      }
      Store();
    }
    Unload();
  } catch (const AddinError& e) {
    ui().MsgBox(std::to_string(e.Number()) + " - " + e.what(), ui::mb::Critical, ui::kTitle);
  } catch (const std::exception& e) {
    ui().MsgBox(std::string("0 - ") + e.what(), ui::mb::Critical, ui::kTitle);
  }
}

void frmProxySettings::Store() {
  store_.SaveAll(settings::kAppName, {{kSection, "ProxyType", std::to_string(proxy_.ProxyType)},
                                      {kSection, "ProxyName", proxy_.ProxyName},
                                      {kSection, "ProxyPort", std::to_string(proxy_.ProxyPort)},
                                      {kSection, "ProxyUserName", proxy_.ProxyUserName},
                                      {kSection, "ProxyUserPWD", proxy_.ProxyUserPWD}});
}

void frmProxySettings::cmdCancel_Click() { Unload(); }

void frmProxySettings::Form_KeyPress(int keyAscii) {
  if (keyAscii == 27) cmdCancel_Click();
}

}  // namespace qv::service
