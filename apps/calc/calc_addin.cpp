#include "calc_addin.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/FeatureStateEvent.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <osl/file.hxx>

#include "uno_text.h"

namespace qv::calc {

using namespace css;
using uno::Reference;

namespace {

// Workbooks opened where the user does not see them, read-only, and closed after.
class CalcHiddenInstance : public host::HiddenInstance {
 public:
  explicit CalcHiddenInstance(Reference<uno::XComponentContext> context)
      : context_(std::move(context)) {}
  ~CalcHiddenInstance() override { CloseAll(); }

  host::Workbook& OpenReadOnly(const std::string& path) override {
    rtl::OUString url;
    if (osl::FileBase::getFileURLFromSystemPath(ToUno(path), url) != osl::FileBase::E_None)
      throw host::HostError("The workbook file " + path + " cannot be opened.");
    const beans::PropertyValue options[] = {Named("Hidden", uno::Any(true)),
                                            Named("ReadOnly", uno::Any(true))};
    Reference<lang::XComponent> loaded;
    try {
      const Reference<frame::XComponentLoader> loader(frame::Desktop::create(context_),
                                                      uno::UNO_QUERY_THROW);
      loaded = loader->loadComponentFromURL(url, "_blank", 0,
                                            uno::Sequence<beans::PropertyValue>(options, 2));
    } catch (const uno::Exception& e) {
      throw host::HostError("The workbook file " + path +
                            " cannot be opened: " + FromUno(e.Message));
    }
    const Reference<sheet::XSpreadsheetDocument> document(loaded, uno::UNO_QUERY);
    if (!document.is()) {
      Close(loaded);
      throw host::HostError("The workbook file " + path + " cannot be opened as a workbook.");
    }
    workbooks_.push_back(std::make_unique<CalcWorkbook>(context_, document));
    return *workbooks_.back();
  }

  void CloseAll() override {
    // Each is closed, even when closing another fails.
    for (const auto& workbook : workbooks_) Close(workbook->Uno());
    workbooks_.clear();
  }

 private:
  static void Close(const Reference<uno::XInterface>& document) {
    try {
      const Reference<util::XCloseable> closeable(document, uno::UNO_QUERY);
      if (closeable.is()) closeable->close(true);
    } catch (const uno::Exception&) {
      // A document that will not close now is closed by the office when it can.
    }
  }

  Reference<uno::XComponentContext> context_;
  std::vector<std::unique_ptr<CalcWorkbook>> workbooks_;
};

}  // namespace

host::Workbook* CalcApplication::ActiveWorkbook() {
  Reference<sheet::XSpreadsheetDocument> document;
  try {
    document.set(frame::Desktop::create(context_)->getCurrentComponent(), uno::UNO_QUERY);
  } catch (const uno::Exception& e) {
    throw host::HostError(FromUno(e.Message));
  }
  if (!document.is()) return nullptr;
  const Reference<uno::XInterface> identity(document, uno::UNO_QUERY);
  for (const auto& w : workbooks_) {
    if (Reference<uno::XInterface>(w->Uno(), uno::UNO_QUERY) == identity) return w.get();
  }
  workbooks_.push_back(std::make_unique<CalcWorkbook>(context_, document));
  return workbooks_.back().get();
}

host::Sheet* CalcApplication::ActiveSheet() {
  host::Workbook* workbook = ActiveWorkbook();
  return workbook ? workbook->ActiveSheet() : nullptr;
}

std::unique_ptr<host::HiddenInstance> CalcApplication::CreateHiddenInstance() {
  return std::make_unique<CalcHiddenInstance>(context_);
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
  application_ = std::make_unique<CalcApplication>(context);
  Environment& e = *environment_;
  addin_ = std::make_unique<addin::Connect>(
      addin::Platform{e.ui, e.transport, e.settings, e.clock, e.random, e.shell, ""});
  addin_->AddinInstance_OnConnection(*application_);
  Refresh();
}

void CalcAddin::Click(std::string_view command) {
  if (!addin_) return;
  if (host::CommandBarControl* control = application_->Bars().Find(command))
    host::MemoryCommandBars::Click(*control);
  Refresh();
}

void CalcAddin::Refresh() {
  try {
    application_->Bars().Publish(context_);
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
  const host::CommandBarControl* control =
      application_ ? application_->Bars().Find(CommandIn(url)) : nullptr;
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
