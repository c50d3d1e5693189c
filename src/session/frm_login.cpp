#include "session/frm_login.h"

#include "service/protocol.h"
#include "ui/ui.h"
#include "values/text.h"

namespace qv::session {
namespace {
constexpr const char* kLoggedIn = "Logged in successfully";
constexpr const char* kEditProxyQuestion =
    "No Response!!!\nPlease Check Your Proxy Settings & Internet Connection!!!\n\n"
    "Do You Want To Edit Proxy Settings?";
}  // namespace

frmLogin::frmLogin(ui::Ui& ui, service::m_Http& http, GlobalSubs& globals,
                   std::function<void()> editProxySettings)
    : Form(ui, "frmLogin"),
      Frame1(*this, "Frame1"),
      lblUserName(*this, "lblUserName"),
      lblPasswd(*this, "lblPasswd"),
      txtUserName(*this, "txtUserName"),
      txtPasswd(*this, "txtPasswd"),
      cmdLogin(*this, "cmdLogin"),
      cmdCancel(*this, "cmdCancel"),
      http_(http),
      globals_(globals),
      editProxySettings_(std::move(editProxySettings)) {
  cmdLogin.Click = [this] { cmdLogin_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void frmLogin::InitializeComponent() {
  Caption = ui::kTitle;
  Frame1.Caption = "Login";
  lblUserName.Caption = "User Name :";
  lblPasswd.Caption = "Password   :";
  txtPasswd.PasswordChar = '*';
  cmdLogin.Caption = "Login";
  cmdLogin.Default = true;
  cmdCancel.Caption = "Cancel";

  Width = 4500;
  Height = 2600;
  Frame1.Place(120, 60, 4020, 1320);
  lblUserName.Place(240, 390, 1200, 255, &Frame1);
  txtUserName.Place(1500, 360, 2280, 315, &Frame1);
  lblPasswd.Place(240, 810, 1200, 255, &Frame1);
  txtPasswd.Place(1500, 780, 2280, 315, &Frame1);
  cmdLogin.Place(1560, 1500, 1215, 375);
  cmdCancel.Place(2925, 1500, 1215, 375);
}

void frmLogin::cmdLogin_Click() {
  // An unanswered attempt may be repeated after the proxy settings were edited, as often as the
  // user asks for it.
  while (Attempt() == Next::Retry) {
  }
}

frmLogin::Next frmLogin::Attempt() {
  const std::string user = Trim(txtUserName.Text);
  const std::string password = Trim(txtPasswd.Text);
  if (user.empty()) {
    txtUserName.Text.clear();
    txtUserName.SetFocus();
    ui().MsgBox("Please enter user name", ui::mb::Information, ui::kTitle);
    return Next::Stop;
  }
  if (password.empty()) {
    txtPasswd.Text.clear();
    txtPasswd.SetFocus();
    ui().MsgBox("Please enter password", ui::mb::Information, ui::kTitle);
    return Next::Stop;
  }
  std::string text;
  try {
    const std::string body = service::FormBody::WithCredentials(http_, user, password).str();
    std::string answer;
    {
      ui::BusyPointer busy(ui());
      answer = http_.HttpPost(service::path::kLogin, body);
    }
    globals_.EndSession();
    text = service::AnswerText(answer, service::Request::Login, kLoggedIn);
    if (answer == "000") {
      globals_.SessionUserName = user;
      globals_.SessionPassword = password;
      globals_.IsLoggedIn = true;
    } else if (answer == "002") {
      txtUserName.SetFocus();
      txtUserName.SelectAll();
    } else if (answer == "003") {
      txtPasswd.SetFocus();
      txtPasswd.SelectAll();
    }
  } catch (const std::exception& e) {
    ui().SetMousePointer(ui::MousePointer::Default);
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
    return Next::Stop;
  }
  if (text.empty()) {
    if (ui().MsgBox(kEditProxyQuestion, ui::mb::Information | ui::mb::YesNo, ui::kTitle) ==
        ui::mb::Yes) {
      editProxySettings_();
      return Next::Retry;
    }
    return Next::Stop;
  }
  ui().MsgBox(text, ui::mb::Information, ui::kTitle);
  if (text == kLoggedIn && globals_.IsLoggedIn) Unload();
  return Next::Stop;
}

void frmLogin::cmdCancel_Click() { Unload(); }

bool RequireSession(frmLogin& login, const GlobalSubs& globals) {
  if (!globals.IsLoggedIn) login.Show(ui::Modality::Modal);
  return globals.IsLoggedIn;
}

bool RequireCredentials(frmLogin& login, const GlobalSubs& globals) {
  if (globals.SessionUserName.empty() || globals.SessionPassword.empty()) {
    login.Show(ui::Modality::Modal);
  }
  return globals.IsLoggedIn;
}

}  // namespace qv::session
