#pragma once

#include <string>

#include "addin/shell.h"
#include "service/random.h"
#include "service/transport.h"
#include "settings/settings.h"
#include "ui/ui.h"
#include "values/clock.h"

namespace qv::addin {

// Everything the add-in needs from the world besides the spreadsheet, which arrives at connect.
// The front end that wires the add-in together owns each of them.
struct Platform {
  ui::Ui& ui;
  service::Transport& transport;
  settings::Settings& settings;
  Clock& clock;
  service::Random& random;
  Shell& shell;
  // A service address (host or host:port) that wins over the settings, as the front end was told
  // (the command line's --server or QUORVALENT_SERVER); empty for none.
  std::string serverAddress;
};

}  // namespace qv::addin
