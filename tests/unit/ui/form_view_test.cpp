// The one comparison between what a window shows and what its form holds, and the one sequence
// of a doing of the user, over a window that only remembers what it was given.
#include "ui/form_view.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "support/property_changes.h"
#include "ui/scripted_ui.h"

namespace qv::testing {
namespace {

// A window that keeps, for each control, the last value of each property it was given, and what
// the user typed or chose in it.
class RememberingWindow : public ui::Renderer {
 public:
  bool Open() const override { return open; }
  void Apply(std::size_t control, const ui::Look& look, ui::Property property) override {
    ui::Look& shown = looks[control];
    switch (property) {
      case ui::Property::Caption:
        shown.caption = look.caption;
        break;
      case ui::Property::Items:
        shown.items = look.items;
        break;
      case ui::Property::ListIndex:
        shown.listIndex = look.listIndex;
        break;
      case ui::Property::Text:
        shown.text = look.text;
        break;
      case ui::Property::Caret:
        shown.selStart = look.selStart;
        shown.selLength = look.selLength;
        break;
      case ui::Property::MaxLength:
        shown.maxLength = look.maxLength;
        break;
      case ui::Property::Checked:
        shown.checked = look.checked;
        break;
      case ui::Property::Rows:
        shown.rows = look.rows;
        break;
      case ui::Property::SelectedRow:
        shown.selectedRow = look.selectedRow;
        break;
      case ui::Property::Picture:
        shown.picture = look.picture;
        break;
      case ui::Property::BackColor:
        shown.backColor = look.backColor;
        break;
      case ui::Property::FontSize:
        shown.fontSize = look.fontSize;
        break;
      case ui::Property::Place:
        shown.place = look.place;
        break;
      case ui::Property::ToolTip:
        shown.toolTip = look.toolTip;
        break;
      case ui::Property::Enabled:
        shown.enabled = look.enabled;
        break;
      case ui::Property::Visible:
        shown.visible = look.visible;
        break;
    }
    ++applied[property];
  }
  void ApplyCaption(const std::string& text) override { caption = text; }
  void ApplySize(int, int h) override { height = h; }
  void ApplyFocus(std::size_t control) override { focus = control; }
  void ReadBack(std::size_t control, ui::Look& look) override {
    const ui::Look& shown = looks[control];
    look.text = shown.text;
    look.selStart = shown.selStart;
    look.selLength = shown.selLength;
    look.listIndex = shown.listIndex;
    look.checked = shown.checked;
    look.selectedRow = shown.selectedRow;
  }
  std::optional<std::size_t> Focused() const override { return focus; }

  std::map<std::size_t, ui::Look> looks;
  std::map<ui::Property, int> applied;
  std::string caption;
  int height = 0;
  std::optional<std::size_t> focus;
  bool open = true;
};

std::size_t IndexOf(const ui::Form& form, const ui::Control& control) {
  const auto& controls = form.Controls();
  return static_cast<std::size_t>(std::find(controls.begin(), controls.end(), &control) -
                                  controls.begin());
}

// What the remembering window shows, in the words of Wanted.
std::string Shows(const ChangingForm& form, RememberingWindow& window,
                  const PropertyChange& change) {
  if (const auto* aspect = std::get_if<FormAspect>(&change.shown)) {
    switch (*aspect) {
      case FormAspect::Caption:
        return window.caption;
      case FormAspect::Height:
        return std::to_string(window.height);
      case FormAspect::Focus:
        return window.focus ? form.Controls()[*window.focus]->Name() : "";
    }
  }
  return Describe(window.looks[IndexOf(form, *form.FindControl(change.control))],
                  std::get<ui::Property>(change.shown), [](ui::SystemColour) { return 0x123456u; });
}

const Platform kTwips{[](int t) { return t; }, [](int t) { return t; }, [](int t) { return t; },
                      [](ui::SystemColour) { return 0x123456u; }};

class FormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.Load();
    view.Push();
  }
  // A press of the change button, as a renderer hands it on.
  void PressChange() {
    view.Run([this] { form.cmdChange.Press(); });
  }
  ui::Look& Shown(const ui::Control& control) { return window.looks[IndexOf(form, control)]; }

  ui::ScriptedUi ui;
  ChangingForm form{ui};
  RememberingWindow window;
  ui::FormView view{form, window};
};

class EveryPropertyChange : public FormViewTest,
                            public ::testing::WithParamInterface<PropertyChange> {};

TEST_P(EveryPropertyChange, MadeInAHandlerReachesTheWindow) {
  const PropertyChange& change = GetParam();
  const std::string before = Shows(form, window, change);
  EXPECT_EQ(before, Wanted(form, change, kTwips));
  form.change = change.make;
  PressChange();
  EXPECT_EQ(Shows(form, window, change), Wanted(form, change, kTwips));
  EXPECT_NE(Shows(form, window, change), before) << "the change changed nothing";
}

INSTANTIATE_TEST_SUITE_P(FormView, EveryPropertyChange, ::testing::ValuesIn(PropertyChanges()),
                         NameOf);

TEST_F(FormViewTest, AtFirstEveryPropertyOfEveryKindIsAppliedAndAfterThatOnlyWhatChanged) {
  for (std::size_t p = 0; p < ui::kPropertyCount; ++p)
    EXPECT_GT(window.applied[static_cast<ui::Property>(p)], 0) << "property " << p;
  window.applied.clear();
  view.Push();
  EXPECT_TRUE(window.applied.empty());
  form.change = [](ChangingForm& f) { f.lblNote.Caption = "Other"; };
  PressChange();
  EXPECT_EQ(window.applied, (std::map<ui::Property, int>{{ui::Property::Caption, 1}}));
}

TEST_F(FormViewTest, WhatTheUserTypedReachesTheFormAndIsNotGivenBackToTheWindow) {
  Shown(form.txtText).text = "typed";
  Shown(form.txtText).selStart = 5;
  Shown(form.cboEdit).text = "violet";
  window.focus = IndexOf(form, form.txtText);
  window.applied.clear();
  PressChange();
  EXPECT_EQ(form.txtText.Text, "typed");
  EXPECT_EQ(form.txtText.SelStart, 5u);
  EXPECT_EQ(form.cboEdit.Text, "violet");
  EXPECT_EQ(form.FocusedControl(), &form.txtText);
  EXPECT_TRUE(window.applied.empty());
}

TEST_F(FormViewTest, AChoiceTheHandlerTakesBackIsTakenBackInTheWindow) {
  // The user ticked the box in the window; the handler refuses the tick.
  Shown(form.chkTick).checked = true;
  Shown(form.lstEntries).listIndex = 1;
  form.change = [](ChangingForm& f) {
    f.chkTick.SetValue(false);
    f.lstEntries.SetListIndex(-1);
  };
  PressChange();
  EXPECT_FALSE(Shown(form.chkTick).checked);
  EXPECT_EQ(Shown(form.lstEntries).listIndex, -1);
}

TEST_F(FormViewTest, AHandlerThatThrowsStopsThereAndTheWindowShowsWhatItChangedBefore) {
  form.change = [](ChangingForm& f) {
    f.lblNote.Caption = "Half done";
    throw std::runtime_error("failed");
  };
  EXPECT_NO_THROW(PressChange());
  EXPECT_EQ(Shown(form.lblNote).caption, "Half done");
  form.change = [](ChangingForm&) { throw 42; };
  EXPECT_NO_THROW(PressChange());
}

TEST_F(FormViewTest, NothingIsAppliedToAWindowTheHandlerClosed) {
  form.change = [this](ChangingForm& f) {
    f.lblNote.Caption = "Closing";
    window.open = false;
  };
  window.applied.clear();
  PressChange();
  EXPECT_TRUE(window.applied.empty());
}

TEST_F(FormViewTest, WhileALoopLetsEventsInTheUsersDoingIsNotHandled) {
  int pressed = 0;
  form.change = [&pressed](ChangingForm&) { ++pressed; };
  ui.duringPendingEvents = [this] { PressChange(); };
  ui.DoEvents();
  EXPECT_EQ(pressed, 0);
  PressChange();
  EXPECT_EQ(pressed, 1);
}

TEST_F(FormViewTest, InvalidatedPropertiesAreAppliedAgainToEveryControlThatHasThem) {
  window.applied.clear();
  view.Invalidate(ui::Only(ui::Property::Place) | ui::Only(ui::Property::FontSize));
  view.Push();
  EXPECT_EQ(window.applied[ui::Property::Place], static_cast<int>(form.Controls().size()));
  EXPECT_EQ(window.applied[ui::Property::FontSize], 2);  // the label and the list view
  window.applied.clear();
  view.Push();
  EXPECT_TRUE(window.applied.empty());
}

}  // namespace
}  // namespace qv::testing
