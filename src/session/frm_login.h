#pragma once

#include <functional>

#include "service/m_http.h"
#include "session/global_subs.h"
#include "ui/form.h"

namespace qv::session {

// Asks for a user name and password and opens a session when the service accepts them.
class frmLogin : public ui::Form {
 public:
  // `editProxySettings` shows the proxy dialog modally; it is offered when the service is silent.
  frmLogin(ui::Ui& ui, service::m_Http& http, GlobalSubs& globals,
           std::function<void()> editProxySettings);

  ui::Frame Frame1;
  ui::Label lblUserName;
  ui::Label lblPasswd;
  ui::TextBox txtUserName;
  ui::TextBox txtPasswd;
  ui::CommandButton cmdLogin;
  ui::CommandButton cmdCancel;

  void cmdLogin_Click();
  void cmdCancel_Click();

 protected:
  void InitializeComponent() override;

 private:
  enum class Next { Stop, Retry };
  Next Attempt();
  service::m_Http& http_;
  GlobalSubs& globals_;
  std::function<void()> editProxySettings_;
};

// The session gate of the commands and buttons that need a session: offers the login when there
// is none. True when a session is open afterwards.
bool RequireSession(frmLogin& login, const GlobalSubs& globals);
// The gate of the template requests: the login is offered when either credential is missing.
bool RequireCredentials(frmLogin& login, const GlobalSubs& globals);

}  // namespace qv::session
