#pragma once

#include <cstddef>
#include <string>

#include "send/bulk_send.h"
#include "settings/settings.h"
#include "ui/ui.h"
#include "values/clock.h"

namespace qv::send {

// The mark a send leaves in the settings when its exchange failed (the empty answer): the service
// may or may not have taken it. The same send again within a day asks first, No by default; an
// answer to the same send clears the mark.
class UnansweredSend {
 public:
  static constexpr const char* kSection = "UnansweredSend";
  // How long a mark asks, in days.
  static constexpr double kAsksFor = 1.0;

  UnansweredSend(settings::Settings& settings, Clock& clock) : settings_(settings), clock_(clock) {}

  // What identifies a send: the endpoint and every field of the body but the credentials.
  static std::string Digest(const char* path, const BulkSend& send);
  // True when the send may go: no mark of `digest` from the last day, or the user said so.
  bool MayGo(ui::Ui& ui, const std::string& digest);
  // Marks `digest` as sent to `numbers` numbers without an answer, or, once answered, clears its
  // mark.
  void Record(const std::string& digest, std::size_t numbers, bool answered);

 private:
  settings::Settings& settings_;
  Clock& clock_;
};

}  // namespace qv::send
