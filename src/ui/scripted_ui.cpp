#include "ui/scripted_ui.h"

namespace qv::ui {

std::vector<std::string> ScriptedUi::Prompts() const {
  std::vector<std::string> out;
  for (const Box& b : boxes_) out.push_back(b.prompt);
  return out;
}

int ScriptedUi::PendingScripts() const {
  int n = 0;
  for (const auto& [name, queue] : scripts_) n += static_cast<int>(queue.size());
  return n;
}

int ScriptedUi::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  boxes_.push_back({prompt, buttons, title});
  const int kind = buttons & 7;
  if (kind == mb::OkOnly) return mb::Ok;
  if (!answers_.empty()) {
    const int a = answers_.front();
    answers_.pop_front();
    return a;
  }
  ++unscripted_;
  return kind == mb::YesNo ? mb::No : mb::Cancel;
}

std::optional<std::string> ScriptedUi::InputBox(const std::string& prompt, const std::string&,
                                                const std::string&) {
  inputPrompts_.push_back(prompt);
  if (inputs_.empty()) {
    ++unscripted_;
    return std::nullopt;
  }
  auto a = inputs_.front();
  inputs_.pop_front();
  return a;
}

std::optional<std::string> ScriptedUi::OpenFileDialog(const std::string&, const std::string&) {
  if (files_.empty()) {
    ++unscripted_;
    return std::nullopt;
  }
  auto a = files_.front();
  files_.pop_front();
  return a;
}

void ScriptedUi::ShowForm(Form& form, Modality) {
  shown_.push_back(form.Name());
  auto it = scripts_.find(form.Name());
  if (it == scripts_.end() || it->second.empty()) {
    if (const auto standing = standing_.find(form.Name()); standing != standing_.end())
      standing->second(form);
    return;
  }
  FormScript script = std::move(it->second.front());
  it->second.pop_front();
  script(form);
}

}  // namespace qv::ui
