#include "uno_form.h"

#include <com/sun/star/awt/Key.hpp>
#include <com/sun/star/awt/KeyEvent.hpp>
#include <com/sun/star/awt/PosSize.hpp>
#include <com/sun/star/awt/Selection.hpp>
#include <com/sun/star/awt/Toolkit.hpp>
#include <com/sun/star/awt/XActionListener.hpp>
#include <com/sun/star/awt/XButton.hpp>
#include <com/sun/star/awt/XCheckBox.hpp>
#include <com/sun/star/awt/XComboBox.hpp>
#include <com/sun/star/awt/XFocusListener.hpp>
#include <com/sun/star/awt/XItemListener.hpp>
#include <com/sun/star/awt/XKeyListener.hpp>
#include <com/sun/star/awt/XListBox.hpp>
#include <com/sun/star/awt/XRadioButton.hpp>
#include <com/sun/star/awt/XTextComponent.hpp>
#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XTopWindowListener.hpp>
#include <com/sun/star/awt/XUnitConversion.hpp>
#include <com/sun/star/awt/XWindow.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/util/MeasureUnit.hpp>
#include <cppuhelper/implbase5.hxx>

#include "ui/ui.h"
#include "uno_text.h"
#include "values/text.h"

namespace qv::calc {

using namespace css;
using uno::Any;
using uno::Reference;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

// The toolkit's events of one dialog, handed to its form.
class FormEvents
    : public cppu::WeakImplHelper5<awt::XActionListener, awt::XItemListener, awt::XKeyListener,
                                   awt::XFocusListener, awt::XTopWindowListener> {
 public:
  explicit FormEvents(UnoForm* form) : form_(form) {}
  void Forget() { form_ = nullptr; }

  void SAL_CALL actionPerformed(const awt::ActionEvent& e) override {
    if (form_) form_->Pressed(e.Source);
  }
  void SAL_CALL itemStateChanged(const awt::ItemEvent& e) override {
    if (form_) form_->Chose(e.Source);
  }
  void SAL_CALL keyPressed(const awt::KeyEvent& e) override {
    if (!form_) return;
    if (e.KeyCode == awt::Key::ESCAPE) form_->Escape();
    if (e.KeyCode == awt::Key::RETURN) form_->Enter(e.Source);
  }
  void SAL_CALL keyReleased(const awt::KeyEvent&) override {}
  void SAL_CALL focusGained(const awt::FocusEvent& e) override { focused = e.Source; }
  void SAL_CALL focusLost(const awt::FocusEvent&) override {}
  void SAL_CALL windowOpened(const lang::EventObject&) override {}
  void SAL_CALL windowClosing(const lang::EventObject&) override {
    if (form_) form_->Closing();
  }
  void SAL_CALL windowClosed(const lang::EventObject&) override {}
  void SAL_CALL windowMinimized(const lang::EventObject&) override {}
  void SAL_CALL windowNormalized(const lang::EventObject&) override {}
  void SAL_CALL windowActivated(const lang::EventObject&) override {}
  void SAL_CALL windowDeactivated(const lang::EventObject&) override {}
  void SAL_CALL disposing(const lang::EventObject&) override {}

  Reference<uno::XInterface> focused;

 private:
  UnoForm* form_;
};

namespace {

void Set(const Reference<uno::XInterface>& model, const char* name, const Any& value) {
  Reference<beans::XPropertySet>(model, UNO_QUERY_THROW)
      ->setPropertyValue(rtl::OUString::createFromAscii(name), value);
}

Any Get(const Reference<uno::XInterface>& model, const char* name) {
  return Reference<beans::XPropertySet>(model, UNO_QUERY_THROW)
      ->getPropertyValue(rtl::OUString::createFromAscii(name));
}

uno::Sequence<rtl::OUString> Strings(const std::vector<std::string>& items) {
  uno::Sequence<rtl::OUString> out(static_cast<sal_Int32>(items.size()));
  for (std::size_t i = 0; i < items.size(); ++i) out.getArray()[i] = ToUno(items[i]);
  return out;
}

// The toolkit's model service of a control of the form.
const char* ModelOf(const ui::Control& c) {
  if (dynamic_cast<const ui::Label*>(&c)) return "com.sun.star.awt.UnoControlFixedTextModel";
  if (dynamic_cast<const ui::CommandButton*>(&c)) return "com.sun.star.awt.UnoControlButtonModel";
  if (dynamic_cast<const ui::TextBox*>(&c)) return "com.sun.star.awt.UnoControlEditModel";
  if (dynamic_cast<const ui::CheckBox*>(&c)) return "com.sun.star.awt.UnoControlCheckBoxModel";
  if (dynamic_cast<const ui::OptionButton*>(&c))
    return "com.sun.star.awt.UnoControlRadioButtonModel";
  if (auto* combo = dynamic_cast<const ui::ComboBox*>(&c); combo && combo->Editable)
    return "com.sun.star.awt.UnoControlComboBoxModel";
  if (dynamic_cast<const ui::ListControl*>(&c) || dynamic_cast<const ui::ListView*>(&c))
    return "com.sun.star.awt.UnoControlListBoxModel";
  if (dynamic_cast<const ui::Frame*>(&c)) return "com.sun.star.awt.UnoControlGroupBoxModel";
  return "com.sun.star.awt.UnoControlImageControlModel";
}

// A row of a list view as its list shows it.
std::string RowText(const std::vector<std::string>& row) {
  std::string text;
  for (std::size_t i = 0; i < row.size(); ++i) text += (i ? "  |  " : "") + row[i];
  return text;
}

// Characters (as the controls count them) and UTF-16 units (as the toolkit does), both ways.
sal_Int32 Units(const std::string& text, std::size_t characters) {
  return ToUno(Utf8Left(text, characters)).getLength();
}
std::size_t Characters(const rtl::OUString& text, sal_Int32 units) {
  return Utf8Length(FromUno(text.copy(0, std::min(units, text.getLength()))));
}

bool Shown(const ui::Control& c) {
  for (const ui::Control* at = &c; at; at = at->Container) {
    if (!at->Visible) return false;
  }
  return true;
}

}  // namespace

UnoForm::UnoForm(ui::Form& form, const Reference<uno::XComponentContext>& context)
    : form_(form), context_(context), events_(new FormEvents(this)) {
  const Reference<lang::XMultiComponentFactory> services = context->getServiceManager();
  model_ = services->createInstanceWithContext("com.sun.star.awt.UnoControlDialogModel", context);
  Set(model_, "Title", Any(ToUno(form.Caption)));
  Set(model_, "Closeable", Any(true));
  Set(model_, "Moveable", Any(true));
  CreateControls();
  dialog_.set(services->createInstanceWithContext("com.sun.star.awt.UnoControlDialog", context),
              UNO_QUERY_THROW);
  dialog_->setModel(Reference<awt::XControlModel>(model_, UNO_QUERY_THROW));
  Reference<awt::XWindowPeer> parent;
  if (const auto frame = frame::Desktop::create(context)->getCurrentFrame(); frame.is())
    parent.set(frame->getContainerWindow(), UNO_QUERY);
  dialog_->createPeer(Reference<awt::XToolkit>(awt::Toolkit::create(context), UNO_QUERY_THROW),
                      parent);
  Reference<awt::XTopWindow>(dialog_, UNO_QUERY_THROW)->addTopWindowListener(events_.get());
  const Reference<awt::XControlContainer> container(dialog_, UNO_QUERY_THROW);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    Item& item = items_[i];
    item.uno = container->getControl(ToUno("c" + std::to_string(i)));
    const Reference<awt::XWindow> window(item.uno, UNO_QUERY_THROW);
    window->addKeyListener(events_.get());
    window->addFocusListener(events_.get());
    if (const Reference<awt::XButton> b(item.uno, UNO_QUERY); b.is())
      b->addActionListener(events_.get());
    if (const Reference<awt::XCheckBox> b(item.uno, UNO_QUERY); b.is())
      b->addItemListener(events_.get());
    if (const Reference<awt::XRadioButton> b(item.uno, UNO_QUERY); b.is())
      b->addItemListener(events_.get());
    if (const Reference<awt::XListBox> b(item.uno, UNO_QUERY); b.is()) {
      b->addItemListener(events_.get());
      b->addActionListener(events_.get());
    }
    if (const Reference<awt::XComboBox> b(item.uno, UNO_QUERY); b.is())
      b->addItemListener(events_.get());
  }
  caption_ = form.Caption;
  height_ = -1;  // sized by the first Push
  Push();
}

UnoForm::~UnoForm() {
  events_->Forget();
  try {
    Reference<lang::XComponent>(dialog_, UNO_QUERY_THROW)->dispose();
  } catch (const uno::Exception&) {
  }
}

void UnoForm::CreateControls() {
  const Reference<lang::XMultiServiceFactory> factory(model_, UNO_QUERY_THROW);
  const Reference<container::XNameContainer> children(model_, UNO_QUERY_THROW);
  // Frames first, so that what they hold is drawn over them.
  std::vector<ui::Control*> order;
  for (ui::Control* c : form_.Controls()) {
    if (dynamic_cast<ui::Frame*>(c)) order.push_back(c);
  }
  for (ui::Control* c : form_.Controls()) {
    if (!dynamic_cast<ui::Frame*>(c)) order.push_back(c);
  }
  for (ui::Control* c : order) {
    const Reference<uno::XInterface> model =
        factory->createInstance(rtl::OUString::createFromAscii(ModelOf(*c)));
    if (auto* label = dynamic_cast<ui::Label*>(c)) {
      Set(model, "MultiLine", Any(true));
      if (label->BackColor) {
        const std::uint32_t bgr = label->BackColor;
        const sal_Int32 rgb =
            static_cast<sal_Int32>(((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
        Set(model, "BackgroundColor", Any(rgb));
      }
      if (label->FontSize) Set(model, "FontHeight", Any(static_cast<float>(label->FontSize)));
    } else if (auto* box = dynamic_cast<ui::TextBox*>(c)) {
      Set(model, "MultiLine", Any(box->MultiLine));
      if (box->PasswordChar) Set(model, "EchoChar", Any(static_cast<sal_Int16>('*')));
      if (box->MaxLength) Set(model, "MaxTextLen", Any(static_cast<sal_Int16>(box->MaxLength)));
    } else if (auto* list = dynamic_cast<ui::ListControl*>(c)) {
      Set(model, "Dropdown", Any(dynamic_cast<ui::ComboBox*>(list) != nullptr));
    } else if (auto* button = dynamic_cast<ui::CommandButton*>(c)) {
      Set(model, "DefaultButton", Any(button->Default));
    }
    const std::string name = "c" + std::to_string(items_.size());
    children->insertByName(ToUno(name), Any(model));
    items_.push_back(Item{c, {}, {}, {}, {}, {-1, -1, -1, -1}});
  }
}

int UnoForm::Pixels(int twips, bool horizontal) const {
  const Reference<awt::XUnitConversion> units(dialog_, UNO_QUERY_THROW);
  const awt::Size size =
      units->convertSizeToPixel(awt::Size(twips, twips), util::MeasureUnit::TWIP);
  return horizontal ? size.Width : size.Height;
}

void UnoForm::PlaceItem(Item& item) {
  const ui::Control& c = *item.control;
  int left = c.Left, top = c.Top;
  for (const ui::Frame* f = c.Container; f; f = f->Container) {
    left += f->Left;
    top += f->Top;
  }
  const int at[4] = {left, top, c.Width, c.Height};
  if (std::equal(at, at + 4, item.at)) return;
  std::copy(at, at + 4, item.at);
  // A drop-down's height is its closed height; the list opens below it.
  Reference<awt::XWindow>(item.uno, UNO_QUERY_THROW)
      ->setPosSize(Pixels(left, true), Pixels(top, false), Pixels(c.Width, true),
                   Pixels(c.Height, false), awt::PosSize::POSSIZE);
}

void UnoForm::Pull() {
  if (closed_) return;
  for (Item& item : items_) {
    if (auto* box = dynamic_cast<ui::TextBox*>(item.control)) {
      const Reference<awt::XTextComponent> text(item.uno, UNO_QUERY_THROW);
      const rtl::OUString typed = text->getText();
      box->Text = FromUno(typed);
      const awt::Selection selection = text->getSelection();
      const sal_Int32 from = std::min(selection.Min, selection.Max);
      const sal_Int32 to = std::max(selection.Min, selection.Max);
      box->SelStart = Characters(typed, from);
      box->SelLength = Characters(typed, to) - box->SelStart;
    } else if (auto* combo = dynamic_cast<ui::ComboBox*>(item.control); combo && combo->Editable) {
      combo->Text = FromUno(Reference<awt::XTextComponent>(item.uno, UNO_QUERY_THROW)->getText());
    }
  }
  if (Item* focused = Find(events_->focused)) {
    focused->control->SetFocus();
    focused_ = focused->control;
  }
}

void UnoForm::PushItem(Item& item) {
  ui::Control& c = *item.control;
  const Reference<uno::XInterface> model(item.uno->getModel(), UNO_QUERY_THROW);
  PlaceItem(item);
  const Reference<awt::XWindow> window(item.uno, UNO_QUERY_THROW);
  window->setVisible(Shown(c));
  window->setEnable(c.Enabled);
  if (item.tip != c.ToolTipText) {
    item.tip = c.ToolTipText;
    Set(model, "HelpText", Any(ToUno(item.tip)));
  }
  const auto label = [&](const std::string& caption) {
    const std::string wanted = Mnemonics(caption);
    rtl::OUString now;
    Get(model, "Label") >>= now;
    if (FromUno(now) != wanted) Set(model, "Label", Any(ToUno(wanted)));
  };
  if (auto* l = dynamic_cast<ui::Label*>(&c)) {
    label(l->Caption);
  } else if (auto* b = dynamic_cast<ui::CommandButton*>(&c)) {
    label(b->Caption);
  } else if (auto* f = dynamic_cast<ui::Frame*>(&c)) {
    label(f->Caption);
  } else if (auto* box = dynamic_cast<ui::TextBox*>(&c)) {
    const Reference<awt::XTextComponent> text(item.uno, UNO_QUERY_THROW);
    if (FromUno(text->getText()) != box->Text) text->setText(ToUno(box->Text));
    const sal_Int32 start = Units(box->Text, box->SelStart);
    const sal_Int32 end = Units(box->Text, box->SelStart + box->SelLength);
    text->setSelection(awt::Selection(start, end));
  } else if (auto* check = dynamic_cast<ui::CheckBox*>(&c)) {
    label(check->Caption);
    Set(model, "State", Any(static_cast<sal_Int16>(check->Value() ? 1 : 0)));
  } else if (auto* option = dynamic_cast<ui::OptionButton*>(&c)) {
    label(option->Caption);
    Set(model, "State", Any(static_cast<sal_Int16>(option->Value() ? 1 : 0)));
  } else if (auto* list = dynamic_cast<ui::ListControl*>(&c)) {
    if (item.items != list->Items) {
      item.items = list->Items;
      Set(model, "StringItemList", Any(Strings(list->Items)));
    }
    const auto* combo = dynamic_cast<ui::ComboBox*>(&c);
    if (combo && combo->Editable) {
      const Reference<awt::XTextComponent> text(item.uno, UNO_QUERY_THROW);
      if (FromUno(text->getText()) != combo->Text) text->setText(ToUno(combo->Text));
    } else {
      const Reference<awt::XListBox> entries(item.uno, UNO_QUERY_THROW);
      if (entries->getSelectedItemPos() != list->ListIndex()) {
        if (list->ListIndex() >= 0)
          entries->selectItemPos(static_cast<sal_Int16>(list->ListIndex()), true);
        else if (entries->getSelectedItemPos() >= 0)
          entries->selectItemPos(entries->getSelectedItemPos(), false);
      }
    }
  } else if (auto* view = dynamic_cast<ui::ListView*>(&c)) {
    if (item.rows != view->Rows) {
      item.rows = view->Rows;
      std::vector<std::string> texts;
      for (const auto& row : view->Rows) texts.push_back(RowText(row));
      Set(model, "StringItemList", Any(Strings(texts)));
    }
    const Reference<awt::XListBox> rows(item.uno, UNO_QUERY_THROW);
    if (view->SelectedRow() >= 0 && rows->getSelectedItemPos() != view->SelectedRow())
      rows->selectItemPos(static_cast<sal_Int16>(view->SelectedRow()), true);
  }
}

void UnoForm::Push() {
  if (closed_) return;
  // What is set here is the core's doing: the toolkit's events of it are not the user's.
  pushing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{pushing_};
  for (Item& item : items_) PushItem(item);
  const Reference<awt::XDialog> dialog(dialog_, UNO_QUERY_THROW);
  if (caption_ != form_.Caption) {
    caption_ = form_.Caption;
    dialog->setTitle(ToUno(caption_));
  }
  if (height_ != form_.Height) {
    height_ = form_.Height;
    // The dialog takes its size from its model, in the toolkit's font-relative units, whenever
    // it shows: the size goes there.
    const awt::Size pixels(Pixels(form_.Width - ui::Form::kBorderWidth, true),
                           Pixels(form_.Height - ui::Form::kTitleHeight, false));
    const awt::Size logic = Reference<awt::XUnitConversion>(dialog_, UNO_QUERY_THROW)
                                ->convertSizeToLogic(pixels, util::MeasureUnit::APPFONT);
    Set(model_, "Width", Any(logic.Width));
    Set(model_, "Height", Any(logic.Height));
    Reference<awt::XWindow>(dialog_, UNO_QUERY_THROW)
        ->setPosSize(0, 0, pixels.Width, pixels.Height, awt::PosSize::SIZE);
  }
  // The focus moves only where the core moved it.
  if (ui::Control* focus = form_.FocusedControl(); focus && focus != focused_) {
    focused_ = focus;
    if (const auto c = ControlOf(*focus); c.is())
      Reference<awt::XWindow>(c, UNO_QUERY_THROW)->setFocus();
  }
}

void UnoForm::Show(bool modal) {
  if (!modal) {
    Reference<awt::XWindow>(dialog_, UNO_QUERY_THROW)->setVisible(true);
    return;
  }
  const std::shared_ptr<UnoForm> keep = shared_from_this();
  executing_ = true;
  Reference<awt::XDialog>(dialog_, UNO_QUERY_THROW)->execute();
  executing_ = false;
}

void UnoForm::Close() {
  if (closed_) return;
  closed_ = true;
  if (executing_) Reference<awt::XDialog>(dialog_, UNO_QUERY_THROW)->endExecute();
  Reference<awt::XWindow>(dialog_, UNO_QUERY_THROW)->setVisible(false);
}

Reference<awt::XControl> UnoForm::ControlOf(const ui::Control& control) const {
  for (const Item& item : items_) {
    if (item.control == &control) return item.uno;
  }
  return {};
}

UnoForm::Item* UnoForm::Find(const Reference<uno::XInterface>& source) {
  if (!source.is()) return nullptr;
  const Reference<uno::XInterface> identity(source, UNO_QUERY);
  for (Item& item : items_) {
    if (Reference<uno::XInterface>(item.uno, UNO_QUERY) == identity) return &item;
  }
  return nullptr;
}

template <typename F>
void UnoForm::Run(F&& handler) {
  const std::shared_ptr<UnoForm> keep = shared_from_this();
  // While a command lets pending events in, what the user does is not handled.
  form_.ui().Handle([&] {
    try {
      Pull();
      handler();
      Push();
    } catch (const std::exception&) {
      // The core's handlers report their own failures; nothing unwinds into the toolkit.
    } catch (const uno::Exception&) {
    }
  });
}

void UnoForm::Pressed(const Reference<uno::XInterface>& source) {
  if (pushing_) return;
  Item* item = Find(source);
  if (!item) return;
  if (auto* button = dynamic_cast<ui::CommandButton*>(item->control)) {
    Run([button] { button->Press(); });
  } else if (auto* list = dynamic_cast<ui::ListBox*>(item->control); list && list->DblClick) {
    Run([list] { list->DblClick(); });
  }
}

void UnoForm::Chose(const Reference<uno::XInterface>& source) {
  if (pushing_) return;
  Item* item = Find(source);
  if (!item) return;
  ui::Control* c = item->control;
  if (auto* check = dynamic_cast<ui::CheckBox*>(c)) {
    sal_Int16 state = 0;
    Get(item->uno->getModel(), "State") >>= state;
    Run([check, state] { check->SetValue(state != 0); });
  } else if (auto* option = dynamic_cast<ui::OptionButton*>(c)) {
    if (!option->Value()) Run([option] { option->SetValue(true); });
  } else if (auto* list = dynamic_cast<ui::ListControl*>(c)) {
    const Reference<awt::XListBox> box(item->uno, UNO_QUERY);
    sal_Int16 index = -1;
    if (box.is()) {
      index = box->getSelectedItemPos();
    } else {
      // An editable drop-down reports the entry chosen by its text.
      const std::string text =
          FromUno(Reference<awt::XTextComponent>(item->uno, UNO_QUERY_THROW)->getText());
      for (std::size_t i = 0; i < list->Items.size(); ++i) {
        if (list->Items[i] == text) index = static_cast<sal_Int16>(i);
      }
    }
    Run([list, index] { list->SetListIndex(index); });
  } else if (auto* view = dynamic_cast<ui::ListView*>(c)) {
    const sal_Int16 row =
        Reference<awt::XListBox>(item->uno, UNO_QUERY_THROW)->getSelectedItemPos();
    if (row >= 0) Run([view, row] { view->SelectRow(row); });
  }
}

void UnoForm::Closing() {
  Run([this] { form_.Unload(); });
}

void UnoForm::Escape() {
  Run([this] { form_.EscapePressed(); });
}

void UnoForm::Enter(const Reference<uno::XInterface>& source) {
  // A multi-line box keeps its Enter, and a button takes it as its own press.
  if (Item* item = Find(source)) {
    if (auto* box = dynamic_cast<ui::TextBox*>(item->control); box && box->MultiLine) return;
    if (dynamic_cast<ui::CommandButton*>(item->control)) return;
  }
  Run([this] { form_.EnterPressed(); });
}

}  // namespace qv::calc
