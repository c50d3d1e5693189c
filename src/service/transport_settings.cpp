#include "service/transport_settings.h"

#include <charconv>

#include "values/text.h"

namespace qv::service {
namespace {

template <typename T>
void ReadWhole(settings::Settings& store, const char* key, T& value) {
  const auto text = store.Get(settings::kAppName, "Transport", key);
  if (!text) return;
  T read{};
  const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), read);
  if (error == std::errc() && end == text->data() + text->size() && read >= 1) value = read;
}

}  // namespace

TransportSettings ReadTransportSettings(settings::Settings& store) {
  TransportSettings limits;
  ReadWhole(store, "DeadlineSeconds", limits.deadlineSeconds);
  ReadWhole(store, "AnswerBytes", limits.answerBytes);
  if (const auto file = store.Get(settings::kAppName, "Transport", "CAFile"))
    limits.caFile = Trim(*file);
  return limits;
}

}  // namespace qv::service
