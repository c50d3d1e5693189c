#include "calc_addin.h"

#include <com/sun/star/frame/FeatureStateEvent.hpp>

#include "uno_text.h"

namespace qv::calc {

using namespace css;
using uno::Reference;

std::unique_ptr<host::HiddenInstance> CalcApplication::CreateHiddenInstance() {
  throw host::HostError("Other workbooks cannot be opened from Calc yet.");
}

CalcAddin& CalcAddin::Get() {
  // Never destroyed: the office unloads the library at its end, when the UNO objects the add-in
  // holds may be gone already.
  static CalcAddin* const addin = new CalcAddin;
  return *addin;
}

void CalcAddin::Connect(const Reference<uno::XComponentContext>& context) {
  if (addin_) return;
  context_ = context;
  environment_ = std::make_unique<Environment>(context);
  Environment& e = *environment_;
  addin_ = std::make_unique<addin::Connect>(
      addin::Platform{e.ui, e.transport, e.settings, e.clock, e.random, e.shell, ""});
  addin_->AddinInstance_OnConnection(application_);
  Refresh();
}

void CalcAddin::Click(std::string_view command) {
  if (!addin_) return;
  if (host::CommandBarControl* control = application_.Bars().Find(command))
    host::MemoryCommandBars::Click(*control);
  Refresh();
}

void CalcAddin::Refresh() {
  try {
    application_.Bars().Publish(context_);
  } catch (const uno::Exception& e) {
    environment_->ui.MsgBox("The Quorvalent menus cannot be shown: " + FromUno(e.Message),
                            ui::mb::Critical, ui::kTitle);
  }
  for (const auto& [listener, url] : listeners_) Tell(listener, url);
}

void CalcAddin::Listen(const Reference<frame::XStatusListener>& listener, const util::URL& url) {
  if (!listener.is()) return;
  listeners_.emplace_back(listener, url);
  Tell(listener, url);
}

void CalcAddin::Unlisten(const Reference<frame::XStatusListener>& listener, const util::URL& url) {
  std::erase_if(listeners_, [&](const auto& entry) {
    return entry.first == listener && entry.second.Complete == url.Complete;
  });
}

std::string CalcAddin::CommandIn(const util::URL& url) {
  const std::string complete = FromUno(url.Complete);
  const std::string_view protocol = CalcCommandBars::kProtocol;
  return complete.starts_with(protocol) ? complete.substr(protocol.size()) : std::string();
}

void CalcAddin::Tell(const Reference<frame::XStatusListener>& listener, const util::URL& url) {
  const host::CommandBarControl* control = application_.Bars().Find(CommandIn(url));
  frame::FeatureStateEvent state;
  state.FeatureURL = url;
  state.IsEnabled = control && control->Enabled();
  state.Requery = false;
  try {
    listener->statusChanged(state);
  } catch (const uno::RuntimeException&) {
    // A listener that went away is dropped when it unlistens.
  }
}

}  // namespace qv::calc
