#pragma once

#include "service/transport.h"
#include "settings/settings.h"

namespace qv::service {

// How every exchange goes, from section "Transport" of the settings: the limits "DeadlineSeconds"
// and "AnswerBytes" (a key that is absent, or not a whole number from 1 up, leaves its default)
// and "CAFile", the authorities trusted besides the system's (blank: none).
TransportSettings ReadTransportSettings(settings::Settings& store);

}  // namespace qv::service
