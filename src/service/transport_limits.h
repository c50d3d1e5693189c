#pragma once

#include "service/transport.h"
#include "settings/settings.h"

namespace qv::service {

// The limits of every exchange, from section "Transport" of the settings: "DeadlineSeconds" and
// "AnswerBytes". A key that is absent, or not a whole number from 1 up, leaves its default.
TransportLimits ReadTransportLimits(settings::Settings& store);

}  // namespace qv::service
