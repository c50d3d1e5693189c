#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "ui/form_view.h"

namespace qv::testing {

// A form with a control of every kind and a button whose handler makes the change a test asks
// for, as the dialogs change their controls from their handlers.
class ChangingForm : public ui::Form {
 public:
  explicit ChangingForm(ui::Ui& ui) : ui::Form(ui, "frmChanging") {}

  ui::Frame fraBox{*this, "fraBox"};
  ui::Label lblNote{*this, "lblNote"};
  ui::CommandButton cmdChange{*this, "cmdChange"};
  ui::TextBox txtText{*this, "txtText"};
  ui::TextBox txtInFrame{*this, "txtInFrame"};
  ui::CheckBox chkTick{*this, "chkTick"};
  ui::OptionButton optOne{*this, "optOne"};
  ui::OptionButton optTwo{*this, "optTwo"};
  ui::ComboBox cboEdit{*this, "cboEdit"};
  ui::ComboBox cboList{*this, "cboList"};
  ui::ListBox lstEntries{*this, "lstEntries"};
  ui::ListView lvwRows{*this, "lvwRows"};
  ui::PictureBox picFace{*this, "picFace"};

  // What the next press of cmdChange does.
  std::function<void(ChangingForm&)> change;

 protected:
  void InitializeComponent() override {
    Caption = "Changing";
    Width = 7200;
    Height = 5760;
    fraBox.Caption = "Box";
    fraBox.Place(120, 2880, 3360, 1440);
    lblNote.Caption = "Note";
    lblNote.Place(120, 120, 2880, 300);
    cmdChange.Caption = "Change";
    cmdChange.Place(5520, 4320, 1200, 360);
    txtText.Text = "abcdef";
    txtText.Place(120, 480, 2880, 300);
    txtInFrame.Place(120, 360, 2400, 300, &fraBox);
    chkTick.Caption = "Tick";
    chkTick.Place(120, 840, 1440, 300);
    optOne.Caption = "One";
    optOne.Place(120, 1200, 1440, 300);
    optTwo.Caption = "Two";
    optTwo.Place(1680, 1200, 1440, 300);
    optOne.SetValue(true);
    cboEdit.Place(120, 1560, 2880, 300);
    cboEdit.Items = {"red", "green"};
    cboList.Editable = false;
    cboList.Place(120, 1920, 2880, 300);
    cboList.Items = {"north", "south"};
    cboList.SetListIndex(0);  // chosen before the window is made
    lstEntries.Place(3600, 120, 1440, 1200);
    lstEntries.Items = {"first", "second"};
    lvwRows.Place(3600, 1440, 3360, 1200);
    lvwRows.Columns = {{"Name", 1440}, {"Number", 1440}};
    lvwRows.Rows = {{"Ann", "1"}};
    picFace.Place(3600, 2880, 240, 240);
    picFace.Image = Face(0xFF0000FFu);
    cmdChange.Click = [this] {
      if (change) change(*this);
    };
  }

 public:
  static ui::Picture Face(std::uint32_t colour, int size = 16) {
    return ui::Picture{size, size,
                       std::vector<std::uint32_t>(static_cast<std::size_t>(size * size), colour)};
  }
};

// Of the form itself rather than of a control.
enum class FormAspect { Caption, Height, Focus };

// A change a handler makes, and what of the window must follow it.
struct PropertyChange {
  std::string name;
  std::function<void(ChangingForm&)> make;
  // The control whose window must follow; empty for the form's own aspects.
  std::string control;
  std::variant<ui::Property, FormAspect> shown;
};

// Every property of every kind that can change after the window is made, each once at least,
// and the ones that reach a control through its frame.
inline std::vector<PropertyChange> PropertyChanges() {
  using P = ui::Property;
  using F = ChangingForm;
  return {
      {"LabelCaption", [](F& f) { f.lblNote.Caption = "Changed note"; }, "lblNote", P::Caption},
      {"ButtonCaption", [](F& f) { f.cmdChange.Caption = "Again"; }, "cmdChange", P::Caption},
      {"FrameCaption", [](F& f) { f.fraBox.Caption = "Other box"; }, "fraBox", P::Caption},
      {"CheckCaption", [](F& f) { f.chkTick.Caption = "Ticked?"; }, "chkTick", P::Caption},
      {"Text", [](F& f) { f.txtText.Text = "typed by code"; }, "txtText", P::Text},
      {"Caret",
       [](F& f) {
         f.txtText.SelStart = 2;
         f.txtText.SelLength = 3;
       },
       "txtText", P::Caret},
      {"MaxLength", [](F& f) { f.txtText.MaxLength = 4; }, "txtText", P::MaxLength},
      {"ListItems", [](F& f) { f.lstEntries.AddItem("third"); }, "lstEntries", P::Items},
      {"ListChoice", [](F& f) { f.lstEntries.SetListIndex(1); }, "lstEntries", P::ListIndex},
      {"DropDownItems", [](F& f) { f.cboList.AddItem("east"); }, "cboList", P::Items},
      {"DropDownChoice", [](F& f) { f.cboList.SetListIndex(1); }, "cboList", P::ListIndex},
      {"ComboText", [](F& f) { f.cboEdit.Text = "blue"; }, "cboEdit", P::Text},
      {"CheckTicked", [](F& f) { f.chkTick.SetValue(true); }, "chkTick", P::Checked},
      {"OptionChosen", [](F& f) { f.optTwo.SetValue(true); }, "optOne", P::Checked},
      {"ViewRows",
       [](F& f) {
         f.lvwRows.Rows.push_back({"Bob", "2"});
       },
       "lvwRows", P::Rows},
      {"ViewSelection",
       [](F& f) {
         f.lvwRows.Rows.push_back({"Bob", "2"});
         f.lvwRows.SelectRow(1);
       },
       "lvwRows", P::SelectedRow},
      {"ViewFontSize", [](F& f) { f.lvwRows.FontSize = 9; }, "lvwRows", P::FontSize},
      {"LabelYellow", [](F& f) { f.lblNote.BackColor = ui::Colour::Rgb(255, 255, 0); }, "lblNote",
       P::BackColor},
      {"LabelSystemColour",
       [](F& f) { f.lblNote.BackColor = ui::Colour::System(ui::SystemColour::TitleBarText); },
       "lblNote", P::BackColor},
      {"LabelFontSize", [](F& f) { f.lblNote.FontSize = 14; }, "lblNote", P::FontSize},
      {"Picture", [](F& f) { f.picFace.Image = F::Face(0xFF00FF00u, 32); }, "picFace", P::Picture},
      {"Place", [](F& f) { f.txtText.Place(1440, 4320, 1440, 360); }, "txtText", P::Place},
      {"PlaceOfTheFrame", [](F& f) { f.fraBox.Left = 1440; }, "txtInFrame", P::Place},
      {"ToolTip", [](F& f) { f.txtText.ToolTipText = "What to type"; }, "txtText", P::ToolTip},
      {"Disabled", [](F& f) { f.chkTick.Enabled = false; }, "chkTick", P::Enabled},
      {"Hidden", [](F& f) { f.cboList.Visible = false; }, "cboList", P::Visible},
      {"HiddenWithItsFrame", [](F& f) { f.fraBox.Visible = false; }, "txtInFrame", P::Visible},
      {"FormCaption", [](F& f) { f.Caption = "Changed"; }, "", FormAspect::Caption},
      {"FormHeight", [](F& f) { f.Height = 7200; }, "", FormAspect::Height},
      {"Focus", [](F& f) { f.txtText.SetFocus(); }, "", FormAspect::Focus},
  };
}

// What a platform makes of a form's measures and colours, for what its windows should show.
struct Platform {
  std::function<int(int twips)> across;  // twips to pixels, horizontally
  std::function<int(int twips)> down;    // and vertically
  std::function<int(int twips)> formHeight;
  std::function<std::uint32_t(ui::SystemColour)> system;  // as 0xRRGGBB
};

// A look, in the words a test's probe of a window uses: texts as they are, numbers and truth
// values in digits ("1" for true), lists and rows joined with "|" (a row's cells with ","), a
// place as "left,top,width,height", a colour as "#RRGGBB" (a system colour is the platform's
// value) or "default", a font size in points or "default", a picture as "WxH" or "none".
inline std::string Describe(const ui::Look& look, ui::Property property,
                            const std::function<std::uint32_t(ui::SystemColour)>& system) {
  const auto joined = [](const std::vector<std::string>& parts, const char* between) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) out += (i ? between : "") + parts[i];
    return out;
  };
  switch (property) {
    case ui::Property::Caption:
      return look.caption;
    case ui::Property::Items:
      return joined(look.items, "|");
    case ui::Property::ListIndex:
      return std::to_string(look.listIndex);
    case ui::Property::Text:
      return look.text;
    case ui::Property::Caret:
      return std::to_string(look.selStart) + "," + std::to_string(look.selLength);
    case ui::Property::MaxLength:
      return std::to_string(look.maxLength);
    case ui::Property::Checked:
      return look.checked ? "1" : "0";
    case ui::Property::Rows: {
      std::vector<std::string> rows;
      for (const auto& row : look.rows) rows.push_back(joined(row, ","));
      return joined(rows, "|");
    }
    case ui::Property::SelectedRow:
      return std::to_string(look.selectedRow);
    case ui::Property::Picture:
      return look.picture.Pixels.empty()
                 ? "none"
                 : std::to_string(look.picture.Width) + "x" + std::to_string(look.picture.Height);
    case ui::Property::BackColor: {
      if (look.backColor.From() == ui::Colour::Source::Default) return "default";
      const std::uint32_t rgb = look.backColor.From() == ui::Colour::Source::System
                                    ? system(look.backColor.Which())
                                    : look.backColor.Value();
      char text[8];
      std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
      return text;
    }
    case ui::Property::FontSize:
      return look.fontSize ? std::to_string(look.fontSize) : "default";
    case ui::Property::Place:
      return std::to_string(look.place.left) + "," + std::to_string(look.place.top) + "," +
             std::to_string(look.place.width) + "," + std::to_string(look.place.height);
    case ui::Property::ToolTip:
      return look.toolTip;
    case ui::Property::Enabled:
      return look.enabled ? "1" : "0";
    case ui::Property::Visible:
      return look.visible ? "1" : "0";
  }
  return {};
}

// What the window should show of the change's property, in the words of Describe (a place in
// the platform's pixels), or of the form's aspect: its caption, its height in the platform's
// pixels, the focused control's name.
inline std::string Wanted(const ChangingForm& form, const PropertyChange& change,
                          const Platform& platform) {
  if (const auto* aspect = std::get_if<FormAspect>(&change.shown)) {
    switch (*aspect) {
      case FormAspect::Caption:
        return form.Caption;
      case FormAspect::Height:
        return std::to_string(platform.formHeight(form.Height));
      case FormAspect::Focus:
        return form.FocusedControl() ? form.FocusedControl()->Name() : "";
    }
  }
  // The control's values, taken here on their own rather than as the renderers' view takes them.
  const ui::Control& c = *form.FindControl(change.control);
  ui::Look look;
  if (const auto* label = dynamic_cast<const ui::Label*>(&c)) {
    look.caption = label->Caption;
    look.backColor = label->BackColor;
    look.fontSize = label->FontSize;
  } else if (const auto* button = dynamic_cast<const ui::CommandButton*>(&c)) {
    look.caption = button->Caption;
  } else if (const auto* frame = dynamic_cast<const ui::Frame*>(&c)) {
    look.caption = frame->Caption;
  } else if (const auto* check = dynamic_cast<const ui::CheckBox*>(&c)) {
    look.caption = check->Caption;
    look.checked = check->Value();
  } else if (const auto* option = dynamic_cast<const ui::OptionButton*>(&c)) {
    look.caption = option->Caption;
    look.checked = option->Value();
  } else if (const auto* box = dynamic_cast<const ui::TextBox*>(&c)) {
    look.text = box->Text;
    look.selStart = box->SelStart;
    look.selLength = box->SelLength;
    look.maxLength = box->MaxLength;
  } else if (const auto* list = dynamic_cast<const ui::ListControl*>(&c)) {
    look.items = list->Items;
    look.listIndex = list->ListIndex();
    look.text = list->Text;
  } else if (const auto* view = dynamic_cast<const ui::ListView*>(&c)) {
    look.rows = view->Rows;
    look.selectedRow = view->SelectedRow();
    look.fontSize = view->FontSize;
  } else {
    look.picture = dynamic_cast<const ui::PictureBox&>(c).Image;
  }
  int left = c.Left, top = c.Top;
  for (const ui::Frame* f = c.Container; f; f = f->Container) {
    left += f->Left;
    top += f->Top;
    look.visible = look.visible && f->Visible;
  }
  look.place = {platform.across(left), platform.down(top), platform.across(c.Width),
                platform.down(c.Height)};
  look.toolTip = c.ToolTipText;
  look.enabled = c.Enabled;
  look.visible = look.visible && c.Visible;
  return Describe(look, std::get<ui::Property>(change.shown), platform.system);
}

inline void PrintTo(const PropertyChange& change, std::ostream* out) { *out << change.name; }

inline std::string NameOf(const ::testing::TestParamInfo<PropertyChange>& info) {
  return info.param.name;
}

}  // namespace qv::testing
