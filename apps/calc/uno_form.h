#pragma once

#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XControlContainer.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ref.hxx>

#include <memory>
#include <string>
#include <vector>

#include "ui/form.h"

namespace qv::calc {

class FormEvents;

// One form shown as a UNO dialog: each control of the form as the toolkit's control, placed by
// the form's layout. The form's data is the truth: before any handler runs, what the user typed,
// chose or selected is written into the controls (Pull); after it returns, the dialog is brought
// in line with the controls (Push).
class UnoForm : public std::enable_shared_from_this<UnoForm> {
 public:
  UnoForm(ui::Form& form, const css::uno::Reference<css::uno::XComponentContext>& context);
  ~UnoForm();
  UnoForm(const UnoForm&) = delete;
  UnoForm& operator=(const UnoForm&) = delete;

  // Shows the dialog; a modal one returns once it has closed.
  void Show(bool modal);
  bool Closed() const { return closed_; }
  void Close();
  void Pull();
  void Push();
  ui::Form& Form() const { return form_; }
  const css::uno::Reference<css::awt::XControl>& Dialog() const { return dialog_; }
  // The toolkit's control of a control of the form.
  css::uno::Reference<css::awt::XControl> ControlOf(const ui::Control& control) const;

  // What the events of the toolkit do.
  void Pressed(const css::uno::Reference<css::uno::XInterface>& source);
  void Chose(const css::uno::Reference<css::uno::XInterface>& source);
  void Escape();
  // The title bar's close button.
  void Closing();
  void Enter(const css::uno::Reference<css::uno::XInterface>& source);

 private:
  struct Item {
    ui::Control* control;
    css::uno::Reference<css::awt::XControl> uno;
    std::vector<std::string> items;
    std::vector<std::vector<std::string>> rows;
    std::string tip;
    int at[4] = {-1, -1, -1, -1};
  };
  // Runs a handler of the core between a Pull and a Push; nothing it throws reaches the toolkit.
  template <typename F>
  void Run(F&& handler);
  void CreateControls();
  void PushItem(Item& item);
  Item* Find(const css::uno::Reference<css::uno::XInterface>& source);
  // A place in twips within the form's inside, in pixels.
  void PlaceItem(Item& item);
  int Pixels(int twips, bool horizontal) const;

  ui::Form& form_;
  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::uno::XInterface> model_;
  css::uno::Reference<css::awt::XControl> dialog_;
  rtl::Reference<FormEvents> events_;
  std::vector<Item> items_;
  std::string caption_;
  int height_ = 0;
  bool closed_ = false;
  bool executing_ = false;
  bool pushing_ = false;
  ui::Control* focused_ = nullptr;
};

}  // namespace qv::calc
