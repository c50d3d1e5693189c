#pragma once

#include <com/sun/star/uno/XComponentContext.hpp>

#include <map>
#include <memory>

#include "ui/ui.h"
#include "uno_form.h"

namespace qv::calc {

// What a message box of the add-in's numbers is in the toolkit's terms: its kind, its buttons
// with the default one, and the answer each result means.
struct ToolkitBox {
  int type;     // css::awt::MessageBoxType
  int buttons;  // css::awt::MessageBoxButtons, the default button included
};
ToolkitBox BoxFor(int style);
// The add-in's answer (mb::Ok, mb::Yes, ...) for the toolkit's result of a box of `style`.
int AnswerFor(int style, int result);

// The add-in's user interface inside LibreOffice: forms as the toolkit's dialogs, boxes through
// the toolkit, owned by the form in front or else by the window the user works in.
class UnoUi : public ui::Ui {
 public:
  explicit UnoUi(css::uno::Reference<css::uno::XComponentContext> context)
      : context_(std::move(context)) {}

  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& filter) override;
  void ShowForm(ui::Form& form, ui::Modality modality) override;
  void FormClosed(ui::Form& form) override;
  void SetMousePointer(ui::MousePointer pointer) override;

 protected:
  void RunPendingEvents() override;

 private:
  css::uno::Reference<css::uno::XComponentContext> context_;
  std::map<const ui::Form*, std::shared_ptr<UnoForm>> forms_;
};

}  // namespace qv::calc
