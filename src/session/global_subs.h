#pragma once

#include <string>
#include <vector>

#include "service/m_http.h"

namespace qv::session {

// The state the whole add-in shares: where the service is, how to reach it, who is logged in,
// and the messages handed to the preview.
struct GlobalSubs : service::ServiceGlobals {
  // Set only by a successful login (trimmed), emptied by logout and by every login attempt.
  std::string SessionUserName;
  std::string SessionPassword;
  bool IsLoggedIn = false;

  // The preview hand-over: entry 0 stays empty, the n-th message is at index n.
  std::vector<std::string> PreviewMessages;
  std::vector<std::string> PreviewNumbers;
  bool PreviewConfirmed = false;

  void EndSession() {
    SessionUserName.clear();
    SessionPassword.clear();
    IsLoggedIn = false;
  }
};

}  // namespace qv::session
