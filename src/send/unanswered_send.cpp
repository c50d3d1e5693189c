#include "send/unanswered_send.h"

#include <cstdint>
#include <cstdio>

#include "values/convert.h"

namespace qv::send {
namespace {

// 64-bit FNV-1a over the fields, each ended by a byte no field holds unencoded: a digest that
// tells one send from another, the same on every platform and after a restart.
class Fnv1a {
 public:
  Fnv1a& Field(std::string_view text) {
    for (char c : text) Byte(static_cast<unsigned char>(c));
    Byte(0);
    return *this;
  }
  std::string Hex() const {
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(hash_));
    return out;
  }

 private:
  void Byte(unsigned char b) {
    hash_ ^= b;
    hash_ *= 0x100000001b3ull;
  }
  std::uint64_t hash_ = 0xcbf29ce484222325ull;
};

}  // namespace

std::string UnansweredSend::Digest(const char* path, const BulkSend& send) {
  Fnv1a digest;
  digest.Field(path).Field(send.numbers).Field(send.message).Field(send.encodedCellData);
  digest.Field(send.concat ? (*send.concat ? "1" : "0") : "-").Field(send.flash ? "FLASH" : "N");
  digest.Field(send.senderName);
  if (send.schedule) {
    digest.Field(send.schedule->name).Field(std::to_string(send.schedule->minutes));
    digest.Field(send.schedule->notify ? (*send.schedule->notify ? "1" : "0") : "-");
  }
  return digest.Hex();
}

bool UnansweredSend::MayGo(ui::Ui& ui, const std::string& digest) {
  const std::string app = settings::kAppName;
  if (settings_.GetSetting(app, kSection, "Digest") != digest) return true;
  const std::string at = settings_.GetSetting(app, kSection, "SentAt");
  if (!IsNumericText(at)) return true;
  const DateTime sent = DateTime::FromSerial(NumericValue(at));
  // A mark from later than now (the clock was put back) asks too.
  if (clock_.Now().Serial() - sent.Serial() >= kAsksFor) return true;
  const std::string numbers = settings_.GetSetting(app, kSection, "Numbers");
  ui.SetMousePointer(ui::MousePointer::Default);
  return ui.MsgBox("The same message to the same " + numbers + " numbers was sent at " +
                       FormatDateTime(sent, "hh:mm") +
                       " and got no answer: it may have been delivered. Look at the delivery "
                       "report before sending again. Send again?",
                   ui::mb::YesNo | ui::mb::Information | ui::mb::DefaultButton2,
                   ui::kTitle) == ui::mb::Yes;
}

void UnansweredSend::Record(const std::string& digest, std::size_t numbers, bool answered) {
  if (answered) {
    if (settings_.GetSetting(settings::kAppName, kSection, "Digest") == digest)
      settings_.SaveAll(settings::kAppName, {{kSection, "Digest", ""}});
    return;
  }
  settings_.SaveAll(settings::kAppName, {{kSection, "Digest", digest},
                                         {kSection, "SentAt", NumberAsText(clock_.Now().Serial())},
                                         {kSection, "Numbers", std::to_string(numbers)}});
}

}  // namespace qv::send
