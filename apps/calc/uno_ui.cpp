#include "uno_ui.h"

#include <com/sun/star/awt/MessageBoxButtons.hpp>
#include <com/sun/star/awt/MessageBoxResults.hpp>
#include <com/sun/star/awt/MessageBoxType.hpp>
#include <com/sun/star/awt/Pointer.hpp>
#include <com/sun/star/awt/SystemPointer.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XMessageBoxFactory.hpp>
#include <com/sun/star/awt/XToolkitExperimental.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/ui/dialogs/ExecutableDialogResults.hpp>
#include <com/sun/star/ui/dialogs/FilePicker.hpp>
#include <com/sun/star/ui/dialogs/TemplateDescription.hpp>
#include <com/sun/star/ui/dialogs/XFilePicker3.hpp>
#include <osl/file.hxx>

#include <vector>

#include "ui/input_form.h"
#include "uno_text.h"

namespace qv::calc {

using namespace css;
using uno::Reference;
using uno::UNO_QUERY;

namespace {

// The parts of a box's style number.
constexpr int kButtons = 7, kIcon = 0x70, kDefault = 0x300;
enum Buttons { OkOnly, OkCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum Answer { Ok = 1, Cancel, Abort, Retry, Ignore, Yes, No };

}  // namespace

ToolkitBox BoxFor(int style) {
  ToolkitBox out{awt::MessageBoxType_MESSAGEBOX, 0};
  switch (style & kIcon) {
    case 16:
      out.type = awt::MessageBoxType_ERRORBOX;
      break;
    case 32:
      out.type = awt::MessageBoxType_QUERYBOX;
      break;
    case 48:
      out.type = awt::MessageBoxType_WARNINGBOX;
      break;
    case 64:
      out.type = awt::MessageBoxType_INFOBOX;
      break;
    default:
      break;
  }
  // The buttons in the order the style names them, and the toolkit's default for each place.
  namespace b = awt::MessageBoxButtons;
  struct Set {
    int buttons;
    int defaults[3];
  };
  static const Set kSets[] = {
      {b::BUTTONS_OK, {b::DEFAULT_BUTTON_OK, b::DEFAULT_BUTTON_OK, b::DEFAULT_BUTTON_OK}},
      {b::BUTTONS_OK_CANCEL,
       {b::DEFAULT_BUTTON_OK, b::DEFAULT_BUTTON_CANCEL, b::DEFAULT_BUTTON_CANCEL}},
      {b::BUTTONS_ABORT_IGNORE_RETRY,
       {b::DEFAULT_BUTTON_CANCEL, b::DEFAULT_BUTTON_RETRY, b::DEFAULT_BUTTON_IGNORE}},
      {b::BUTTONS_YES_NO_CANCEL,
       {b::DEFAULT_BUTTON_YES, b::DEFAULT_BUTTON_NO, b::DEFAULT_BUTTON_CANCEL}},
      {b::BUTTONS_YES_NO, {b::DEFAULT_BUTTON_YES, b::DEFAULT_BUTTON_NO, b::DEFAULT_BUTTON_NO}},
      {b::BUTTONS_RETRY_CANCEL,
       {b::DEFAULT_BUTTON_RETRY, b::DEFAULT_BUTTON_CANCEL, b::DEFAULT_BUTTON_CANCEL}},
  };
  const int set = (style & kButtons) <= RetryCancel ? style & kButtons : OkOnly;
  const int place = std::min((style & kDefault) >> 8, 2);
  out.buttons = kSets[set].buttons | kSets[set].defaults[place];
  return out;
}

int AnswerFor(int style, int result) {
  namespace r = awt::MessageBoxResults;
  const int set = style & kButtons;
  switch (result) {
    case r::OK:
      return Ok;
    case r::YES:
      return Yes;
    case r::NO:
      return No;
    case r::RETRY:
      return Retry;
    case r::IGNORE:
      return Ignore;
    default:
      // Cancel, or the box closed without a button: the answer that does nothing.
      if (set == AbortRetryIgnore) return Abort;
      if (set == YesNo) return No;
      if (set == OkOnly) return Ok;
      return Cancel;
  }
}

int UnoUi::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
  const ToolkitBox shape = BoxFor(buttons);
  Reference<awt::XWindowPeer> parent;
  for (const auto& [form, shown] : forms_) {
    if (!shown->Closed()) parent = shown->Dialog()->getPeer();
  }
  if (!parent.is()) {
    if (const auto frame = frame::Desktop::create(context_)->getCurrentFrame(); frame.is())
      parent.set(frame->getContainerWindow(), UNO_QUERY);
  }
  const Reference<awt::XMessageBoxFactory> factory(awt::Toolkit::create(context_), UNO_QUERY);
  const auto box = factory->createMessageBox(parent, static_cast<awt::MessageBoxType>(shape.type),
                                             shape.buttons, ToUno(title), ToUno(prompt));
  return AnswerFor(buttons, box->execute());
}

std::optional<std::string> UnoUi::InputBox(const std::string& prompt, const std::string& title,
                                           const std::string& defaultText) {
  ui::InputForm form(*this, prompt, title, defaultText);
  form.Show(ui::Modality::Modal);
  return form.answer;
}

std::optional<std::string> UnoUi::OpenFileDialog(const std::string& title,
                                                 const std::string& filter) {
  const Reference<css::ui::dialogs::XFilePicker3> picker =
      css::ui::dialogs::FilePicker::createWithMode(
          context_, css::ui::dialogs::TemplateDescription::FILEOPEN_SIMPLE);
  picker->setTitle(ToUno(title));
  // "Name (*.x)|*.x|..." in pairs.
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t bar = filter.find('|');; bar = filter.find('|', from)) {
    parts.push_back(filter.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
    if (bar == std::string::npos) break;
    from = bar + 1;
  }
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
    picker->appendFilter(ToUno(parts[i]), ToUno(parts[i + 1]));
  if (picker->execute() != css::ui::dialogs::ExecutableDialogResults::OK) return std::nullopt;
  const auto files = picker->getSelectedFiles();
  if (files.getLength() < 1) return std::nullopt;
  rtl::OUString path;
  if (osl::FileBase::getSystemPathFromFileURL(files[0], path) != osl::FileBase::E_None)
    return std::nullopt;
  return FromUno(path);
}

void UnoUi::ShowForm(ui::Form& form, ui::Modality modality) {
  std::shared_ptr<UnoForm> shown;
  if (const auto found = forms_.find(&form); found != forms_.end() && !found->second->Closed()) {
    shown = found->second;
    shown->Push();
  } else {
    // Made before it is listed: a dialog that cannot be made leaves nothing behind.
    shown = std::make_shared<UnoForm>(form, context_);
    forms_[&form] = shown;
  }
  // A modal form runs until it closes; the object stays while it does.
  shown->Show(modality == ui::Modality::Modal);
}

void UnoUi::FormClosed(ui::Form& form) {
  const auto found = forms_.find(&form);
  if (found == forms_.end()) return;
  // A handler of the form may still be running: it keeps the dialog until it returns.
  found->second->Close();
  forms_.erase(found);
}

void UnoUi::SetMousePointer(ui::MousePointer pointer) {
  // The pointer is only a sign: it is also set back from destructors, so no failure leaves here
  // (an office going away refuses windows it is disposing).
  try {
    const Reference<awt::XPointer> shape = awt::Pointer::create(context_);
    shape->setType(pointer == ui::MousePointer::Hourglass ? awt::SystemPointer::WAIT
                                                          : awt::SystemPointer::ARROW);
    // Over the window the user works in and over every dialog of the add-in.
    std::vector<Reference<awt::XWindowPeer>> windows;
    if (const auto frame = frame::Desktop::create(context_)->getCurrentFrame(); frame.is())
      windows.emplace_back(frame->getContainerWindow(), UNO_QUERY);
    for (const auto& [form, shown] : forms_) windows.push_back(shown->Dialog()->getPeer());
    for (const auto& window : windows) {
      if (window.is()) window->setPointer(shape);
    }
  } catch (const uno::Exception&) {
  }
}

void UnoUi::RunPendingEvents() {
  // The work that calls it changed forms outside any handler of theirs (the wait form's text).
  for (const auto& [form, shown] : forms_) shown->Push();
  const Reference<awt::XToolkitExperimental> toolkit(awt::Toolkit::create(context_), UNO_QUERY);
  if (toolkit.is()) toolkit->processEventsToIdle();
}

}  // namespace qv::calc
