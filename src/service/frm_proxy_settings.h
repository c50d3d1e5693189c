#pragma once

#include <array>

#include "service/transport.h"
#include "settings/settings.h"
#include "ui/form.h"

namespace qv::service {

// Loads the proxy globals from the settings store. A failure ends it silently, leaving the
// globals not yet read as they were.
void GetProxySettings(settings::Settings& store, ProxySettings& proxy);

// Edits how the add-in reaches the service, and stores the choice.
class frmProxySettings : public ui::Form {
 public:
  frmProxySettings(ui::Ui& ui, settings::Settings& store, ProxySettings& proxy);

  // The port box takes four characters.
  static constexpr std::size_t kPortLength = 4;

  std::array<ui::Label, 5> lblHeading;
  ui::ComboBox cboProxyType;
  ui::TextBox txtHostName;
  ui::TextBox txtPort;
  ui::TextBox txtUserName;
  ui::TextBox txtPassword;
  ui::CommandButton cmdOk;
  ui::CommandButton cmdCancel;

  void cboProxyType_Click();
  void cmdOk_Click();
  void cmdCancel_Click();
  void Form_KeyPress(int keyAscii) override;

 protected:
  void InitializeComponent() override;
  void Form_Load() override;

 private:
  void Store();
  settings::Settings& store_;
  ProxySettings& proxy_;
};

}  // namespace qv::service
