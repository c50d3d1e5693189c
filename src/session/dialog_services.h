#pragma once

#include "forms/frm_display.h"
#include "service/m_http.h"
#include "session/frm_login.h"
#include "session/global_subs.h"
#include "settings/settings.h"
#include "ui/ui.h"
#include "values/clock.h"

namespace qv::session {

// What a dialog that works with the service (Send SMS, delivery reports) has besides the
// spreadsheet. Connect owns every one of them and outlives the dialogs.
struct DialogServices {
  ui::Ui& ui;
  service::m_Http& http;
  GlobalSubs& globals;
  settings::Settings& settings;
  Clock& clock;
  frmLogin& login;
  forms::frmDisplay& display;
};

}  // namespace qv::session
