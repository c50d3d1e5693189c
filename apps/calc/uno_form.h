#pragma once

#include <com/sun/star/awt/XControl.hpp>
#include <com/sun/star/awt/XControlContainer.hpp>
#include <com/sun/star/awt/XDialog.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <rtl/ref.hxx>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/form_view.h"

namespace qv::calc {

class FormEvents;

// One form shown as a UNO dialog: each control of the form as the toolkit's control, placed by
// the form's layout. The form's data is the truth; what the dialog shows follows it through a
// ui::FormView, and this renders: makes the controls, applies each property, reads back what the
// user did.
class UnoForm : public std::enable_shared_from_this<UnoForm>, private ui::Renderer {
 public:
  UnoForm(ui::Form& form, const css::uno::Reference<css::uno::XComponentContext>& context);
  ~UnoForm() override;
  UnoForm(const UnoForm&) = delete;
  UnoForm& operator=(const UnoForm&) = delete;

  // Shows the dialog; a modal one returns once it has closed.
  void Show(bool modal);
  bool Closed() const { return closed_; }
  void Close();
  // The dialog follows the form.
  void Push() { view_.Push(); }
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
  // The toolkit's control of each control of the form, in the form's order.
  struct Item {
    ui::Control* control;
    css::uno::Reference<css::awt::XControl> uno;
  };
  bool Open() const override { return !closed_; }
  void Apply(std::size_t control, const ui::Look& look, ui::Property property) override;
  void ApplyCaption(const std::string& caption) override;
  void ApplySize(int width, int height) override;
  void ApplyFocus(std::size_t control) override;
  void ReadBack(std::size_t control, ui::Look& look) override;
  std::optional<std::size_t> Focused() const override;
  void ApplyChoice(const Item& item, int index);
  void ApplyText(const Item& item, const ui::Look& look);
  void ApplyCaret(const Item& item, const ui::Look& look);
  void ApplyBackColor(const Item& item, const ui::Colour& colour);
  void ApplyPlace(const Item& item, const ui::Area& area);

  // Runs a handler of the core as every renderer does (ui::FormView::Run), the dialog kept alive
  // until it returns.
  void Run(const std::function<void()>& handler);
  void CreateControls();
  void Listen(const Item& item);
  const Item* Find(const css::uno::Reference<css::uno::XInterface>& source) const;
  int Pixels(int twips, bool horizontal) const;

  ui::Form& form_;
  css::uno::Reference<css::uno::XComponentContext> context_;
  css::uno::Reference<css::uno::XInterface> model_;
  css::uno::Reference<css::awt::XControl> dialog_;
  rtl::Reference<FormEvents> events_;
  std::vector<Item> items_;
  bool closed_ = false;
  bool executing_ = false;
  bool pushing_ = false;
  ui::FormView view_;
};

}  // namespace qv::calc
