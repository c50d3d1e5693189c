#include "uno_form.h"

#include <com/sun/star/awt/FontDescriptor.hpp>
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
#include <com/sun/star/awt/XStyleSettings.hpp>
#include <com/sun/star/awt/XStyleSettingsSupplier.hpp>
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

#include <limits>

#include "ui/ui.h"
#include "uno_graphic.h"
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
  switch (c.Kind()) {
    case ui::ControlKind::Label:
      return "com.sun.star.awt.UnoControlFixedTextModel";
    case ui::ControlKind::CommandButton:
      return "com.sun.star.awt.UnoControlButtonModel";
    case ui::ControlKind::TextBox:
      return "com.sun.star.awt.UnoControlEditModel";
    case ui::ControlKind::CheckBox:
      return "com.sun.star.awt.UnoControlCheckBoxModel";
    case ui::ControlKind::OptionButton:
      return "com.sun.star.awt.UnoControlRadioButtonModel";
    case ui::ControlKind::ComboBox:
      return static_cast<const ui::ComboBox&>(c).Editable
                 ? "com.sun.star.awt.UnoControlComboBoxModel"
                 : "com.sun.star.awt.UnoControlListBoxModel";
    case ui::ControlKind::ListBox:
    case ui::ControlKind::ListView:
      return "com.sun.star.awt.UnoControlListBoxModel";
    case ui::ControlKind::Frame:
      return "com.sun.star.awt.UnoControlGroupBoxModel";
    case ui::ControlKind::PictureBox:
      return "com.sun.star.awt.UnoControlImageControlModel";
  }
  return "com.sun.star.awt.UnoControlFixedTextModel";
}

// Whether the toolkit's control of it is an editable drop-down, whose choice is its text.
bool EditableCombo(const ui::Control& c) {
  return c.Kind() == ui::ControlKind::ComboBox && static_cast<const ui::ComboBox&>(c).Editable;
}

// Sets what it is made with, which no later change touches.
void Design(const Reference<uno::XInterface>& model, const ui::Control& c) {
  switch (c.Kind()) {
    case ui::ControlKind::Label:
      Set(model, "MultiLine", Any(true));
      break;
    case ui::ControlKind::TextBox: {
      const auto& box = static_cast<const ui::TextBox&>(c);
      Set(model, "MultiLine", Any(box.MultiLine));
      if (box.PasswordChar) Set(model, "EchoChar", Any(static_cast<sal_Int16>('*')));
      break;
    }
    case ui::ControlKind::ComboBox:
      Set(model, "Dropdown", Any(true));
      break;
    case ui::ControlKind::ListBox:
    case ui::ControlKind::ListView:
      Set(model, "Dropdown", Any(false));
      break;
    case ui::ControlKind::CommandButton:
      Set(model, "DefaultButton", Any(static_cast<const ui::CommandButton&>(c).Default));
      break;
    case ui::ControlKind::PictureBox:
      Set(model, "ScaleImage", Any(false));
      break;
    case ui::ControlKind::CheckBox:
    case ui::ControlKind::OptionButton:
    case ui::ControlKind::Frame:
      break;
  }
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

}  // namespace

UnoForm::UnoForm(ui::Form& form, const Reference<uno::XComponentContext>& context)
    : form_(form), context_(context), events_(new FormEvents(this)), view_(form, *this) {
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
    items_[i].uno = container->getControl(ToUno("c" + std::to_string(i)));
    Listen(items_[i]);
  }
  view_.Push();
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
  const auto& controls = form_.Controls();
  for (ui::Control* c : controls) items_.push_back(Item{c, {}});
  // Frames first, so that what they hold is drawn over them.
  for (const bool frames : {true, false}) {
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if ((controls[i]->Kind() == ui::ControlKind::Frame) != frames) continue;
      const Reference<uno::XInterface> model =
          factory->createInstance(rtl::OUString::createFromAscii(ModelOf(*controls[i])));
      Design(model, *controls[i]);
      children->insertByName(ToUno("c" + std::to_string(i)), Any(model));
    }
  }
}

void UnoForm::Listen(const Item& item) {
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

int UnoForm::Pixels(int twips, bool horizontal) const {
  const Reference<awt::XUnitConversion> units(dialog_, UNO_QUERY_THROW);
  const awt::Size size =
      units->convertSizeToPixel(awt::Size(twips, twips), util::MeasureUnit::TWIP);
  return horizontal ? size.Width : size.Height;
}

void UnoForm::ApplyPlace(const Item& item, const ui::Area& area) {
  // A drop-down's height is its closed height; the list opens below it.
  Reference<awt::XWindow>(item.uno, UNO_QUERY_THROW)
      ->setPosSize(Pixels(area.left, true), Pixels(area.top, false), Pixels(area.width, true),
                   Pixels(area.height, false), awt::PosSize::POSSIZE);
}

void UnoForm::ApplyChoice(const Item& item, int index) {
  const Reference<awt::XListBox> entries(item.uno, UNO_QUERY);
  if (!entries.is()) return;
  if (index >= 0)
    entries->selectItemPos(static_cast<sal_Int16>(index), true);
  else if (const sal_Int16 chosen = entries->getSelectedItemPos(); chosen >= 0)
    entries->selectItemPos(chosen, false);
}

void UnoForm::ApplyText(const Item& item, const ui::Look& look) {
  const Reference<awt::XTextComponent> text(item.uno, UNO_QUERY);
  if (!text.is()) return;
  if (FromUno(text->getText()) != look.text) text->setText(ToUno(look.text));
  if (item.control->Kind() == ui::ControlKind::TextBox) ApplyCaret(item, look);
}

void UnoForm::ApplyCaret(const Item& item, const ui::Look& look) {
  const sal_Int32 start = Units(look.text, look.selStart);
  const sal_Int32 end = Units(look.text, look.selStart + look.selLength);
  Reference<awt::XTextComponent>(item.uno, UNO_QUERY_THROW)
      ->setSelection(awt::Selection(start, end));
}

void UnoForm::ApplyBackColor(const Item& item, const ui::Colour& colour) {
  const Reference<uno::XInterface> model(item.uno->getModel(), UNO_QUERY_THROW);
  switch (colour.From()) {
    case ui::Colour::Source::Default:
      Set(model, "BackgroundColor", Any());
      break;
    case ui::Colour::Source::Rgb:
      Set(model, "BackgroundColor", Any(static_cast<sal_Int32>(colour.Value())));
      break;
    case ui::Colour::Source::System: {
      const Reference<awt::XStyleSettings> style =
          Reference<awt::XStyleSettingsSupplier>(dialog_->getPeer(), UNO_QUERY_THROW)
              ->getStyleSettings();
      switch (colour.Which()) {
        case ui::SystemColour::TitleBarText:
          Set(model, "BackgroundColor", Any(style->getActiveTextColor()));
          break;
      }
      break;
    }
  }
}

void UnoForm::Apply(std::size_t index, const ui::Look& look, ui::Property property) {
  if (index >= items_.size() || !items_[index].uno.is()) return;
  // What is set here is the core's doing: the toolkit's events of it are not the user's.
  pushing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{pushing_};
  const Item& item = items_[index];
  const Reference<uno::XInterface> model(item.uno->getModel(), UNO_QUERY_THROW);
  switch (property) {
    case ui::Property::Caption:
      Set(model, "Label", Any(ToUno(Mnemonics(look.caption))));
      break;
    case ui::Property::Items:
      Set(model, "StringItemList", Any(Strings(look.items)));
      ApplyChoice(item, look.listIndex);
      break;
    case ui::Property::ListIndex:
      ApplyChoice(item, look.listIndex);
      break;
    case ui::Property::Text:
      ApplyText(item, look);
      break;
    case ui::Property::Caret:
      ApplyCaret(item, look);
      break;
    case ui::Property::MaxLength:
      Set(model, "MaxTextLen",
          Any(static_cast<sal_Int16>(
              std::min<std::size_t>(look.maxLength, std::numeric_limits<sal_Int16>::max()))));
      break;
    case ui::Property::Checked:
      Set(model, "State", Any(static_cast<sal_Int16>(look.checked ? 1 : 0)));
      break;
    case ui::Property::Rows: {
      std::vector<std::string> texts;
      texts.reserve(look.rows.size());
      for (const auto& row : look.rows) texts.push_back(RowText(row));
      Set(model, "StringItemList", Any(Strings(texts)));
      ApplyChoice(item, look.selectedRow);
      break;
    }
    case ui::Property::SelectedRow:
      ApplyChoice(item, look.selectedRow);
      break;
    case ui::Property::Picture:
      Set(model, "Graphic",
          Any(look.picture.Pixels.empty() ? Reference<graphic::XGraphic>()
                                          : GraphicOf(context_, look.picture)));
      break;
    case ui::Property::BackColor:
      ApplyBackColor(item, look.backColor);
      break;
    case ui::Property::FontSize: {
      // A size of 0 is the toolkit's own.
      awt::FontDescriptor font;
      Get(model, "FontDescriptor") >>= font;
      font.Height = static_cast<sal_Int16>(look.fontSize);
      Set(model, "FontDescriptor", Any(font));
      break;
    }
    case ui::Property::Place:
      ApplyPlace(item, look.place);
      break;
    case ui::Property::ToolTip:
      Set(model, "HelpText", Any(ToUno(look.toolTip)));
      break;
    case ui::Property::Enabled:
      Reference<awt::XWindow>(item.uno, UNO_QUERY_THROW)->setEnable(look.enabled);
      break;
    case ui::Property::Visible:
      Reference<awt::XWindow>(item.uno, UNO_QUERY_THROW)->setVisible(look.visible);
      break;
  }
}

void UnoForm::ApplyCaption(const std::string& caption) {
  Reference<awt::XDialog>(dialog_, UNO_QUERY_THROW)->setTitle(ToUno(caption));
}

void UnoForm::ApplySize(int width, int height) {
  // The dialog takes its size from its model, in the toolkit's font-relative units, whenever it
  // shows: the size goes there.
  const awt::Size pixels(Pixels(width - ui::Form::kBorderWidth, true),
                         Pixels(height - ui::Form::kTitleHeight, false));
  const awt::Size logic = Reference<awt::XUnitConversion>(dialog_, UNO_QUERY_THROW)
                              ->convertSizeToLogic(pixels, util::MeasureUnit::APPFONT);
  Set(model_, "Width", Any(logic.Width));
  Set(model_, "Height", Any(logic.Height));
  Reference<awt::XWindow>(dialog_, UNO_QUERY_THROW)
      ->setPosSize(0, 0, pixels.Width, pixels.Height, awt::PosSize::SIZE);
}

void UnoForm::ApplyFocus(std::size_t index) {
  if (index < items_.size() && items_[index].uno.is())
    Reference<awt::XWindow>(items_[index].uno, UNO_QUERY_THROW)->setFocus();
}

void UnoForm::ReadBack(std::size_t index, ui::Look& look) {
  if (index >= items_.size() || !items_[index].uno.is()) return;
  const Item& item = items_[index];
  switch (item.control->Kind()) {
    case ui::ControlKind::TextBox: {
      const Reference<awt::XTextComponent> text(item.uno, UNO_QUERY_THROW);
      const rtl::OUString typed = text->getText();
      look.text = FromUno(typed);
      const awt::Selection selection = text->getSelection();
      const sal_Int32 from = std::min(selection.Min, selection.Max);
      const sal_Int32 to = std::max(selection.Min, selection.Max);
      look.selStart = Characters(typed, from);
      look.selLength = Characters(typed, to) - look.selStart;
      break;
    }
    case ui::ControlKind::ComboBox:
      if (EditableCombo(*item.control)) {
        look.text = FromUno(Reference<awt::XTextComponent>(item.uno, UNO_QUERY_THROW)->getText());
        break;
      }
      [[fallthrough]];
    case ui::ControlKind::ListBox:
      look.listIndex = Reference<awt::XListBox>(item.uno, UNO_QUERY_THROW)->getSelectedItemPos();
      break;
    case ui::ControlKind::ListView:
      look.selectedRow = Reference<awt::XListBox>(item.uno, UNO_QUERY_THROW)->getSelectedItemPos();
      break;
    case ui::ControlKind::CheckBox:
    case ui::ControlKind::OptionButton: {
      sal_Int16 state = 0;
      Get(item.uno->getModel(), "State") >>= state;
      look.checked = state != 0;
      break;
    }
    case ui::ControlKind::Label:
    case ui::ControlKind::CommandButton:
    case ui::ControlKind::Frame:
    case ui::ControlKind::PictureBox:
      break;
  }
}

std::optional<std::size_t> UnoForm::Focused() const {
  const Reference<uno::XInterface> focused = events_->focused;
  if (!focused.is()) return std::nullopt;
  const Reference<uno::XInterface> identity(focused, UNO_QUERY);
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (Reference<uno::XInterface>(items_[i].uno, UNO_QUERY) == identity) return i;
  }
  return std::nullopt;
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

const UnoForm::Item* UnoForm::Find(const Reference<uno::XInterface>& source) const {
  if (!source.is()) return nullptr;
  const Reference<uno::XInterface> identity(source, UNO_QUERY);
  for (const Item& item : items_) {
    if (Reference<uno::XInterface>(item.uno, UNO_QUERY) == identity) return &item;
  }
  return nullptr;
}

void UnoForm::Run(const std::function<void()>& handler) {
  const std::shared_ptr<UnoForm> keep = shared_from_this();
  view_.Run(handler);
}

void UnoForm::Pressed(const Reference<uno::XInterface>& source) {
  if (pushing_) return;
  const Item* item = Find(source);
  if (!item) return;
  ui::Control* c = item->control;
  if (c->Kind() == ui::ControlKind::CommandButton) {
    Run([c] { static_cast<ui::CommandButton*>(c)->Press(); });
  } else if (c->Kind() == ui::ControlKind::ListBox) {
    if (auto* list = static_cast<ui::ListBox*>(c); list->DblClick)
      Run([list] { list->DblClick(); });
  }
}

void UnoForm::Chose(const Reference<uno::XInterface>& source) {
  if (pushing_) return;
  const Item* item = Find(source);
  if (!item) return;
  ui::Control* c = item->control;
  switch (c->Kind()) {
    case ui::ControlKind::CheckBox: {
      sal_Int16 state = 0;
      Get(item->uno->getModel(), "State") >>= state;
      Run([c, state] { static_cast<ui::CheckBox*>(c)->SetValue(state != 0); });
      break;
    }
    case ui::ControlKind::OptionButton:
      if (auto* option = static_cast<ui::OptionButton*>(c); !option->Value())
        Run([option] { option->SetValue(true); });
      break;
    case ui::ControlKind::ComboBox:
    case ui::ControlKind::ListBox: {
      auto* list = static_cast<ui::ListControl*>(c);
      sal_Int16 index = -1;
      if (EditableCombo(*c)) {
        // An editable drop-down reports the entry chosen by its text.
        const std::string text =
            FromUno(Reference<awt::XTextComponent>(item->uno, UNO_QUERY_THROW)->getText());
        for (std::size_t i = 0; i < list->Items.size(); ++i) {
          if (list->Items[i] == text) index = static_cast<sal_Int16>(i);
        }
      } else {
        index = Reference<awt::XListBox>(item->uno, UNO_QUERY_THROW)->getSelectedItemPos();
      }
      Run([list, index] { list->SetListIndex(index); });
      break;
    }
    case ui::ControlKind::ListView: {
      const sal_Int16 row =
          Reference<awt::XListBox>(item->uno, UNO_QUERY_THROW)->getSelectedItemPos();
      if (row >= 0) Run([c, row] { static_cast<ui::ListView*>(c)->SelectRow(row); });
      break;
    }
    case ui::ControlKind::Label:
    case ui::ControlKind::CommandButton:
    case ui::ControlKind::TextBox:
    case ui::ControlKind::Frame:
    case ui::ControlKind::PictureBox:
      break;
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
  if (const Item* item = Find(source)) {
    const ui::Control& c = *item->control;
    if (c.Kind() == ui::ControlKind::CommandButton) return;
    if (c.Kind() == ui::ControlKind::TextBox && static_cast<const ui::TextBox&>(c).MultiLine)
      return;
  }
  Run([this] { form_.EnterPressed(); });
}

}  // namespace qv::calc
