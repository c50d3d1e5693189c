#pragma once

#include <string>
#include <vector>

#include "addin/shell.h"
#include "session/frm_login.h"
#include "ui/scripted_ui.h"

namespace qv::testing {

// A shell that remembers the addresses it was asked to open.
class RecordingShell : public addin::Shell {
 public:
  void Open(const std::string& url) override { opened.push_back(url); }
  std::vector<std::string> opened;
};

// Answers the next login dialog with these credentials, pressing Login once.
inline void ScriptLogin(ui::ScriptedUi& ui, const std::string& user, const std::string& password) {
  ui.OnShow<session::frmLogin>("frmLogin", [user, password](session::frmLogin& f) {
    f.txtUserName.Type(user);
    f.txtPasswd.Type(password);
    f.cmdLogin.Press();
  });
}

}  // namespace qv::testing
