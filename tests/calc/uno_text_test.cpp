// What the extension turns the add-in's captions and boxes into, without an office.
#include <gtest/gtest.h>

#include <com/sun/star/awt/MessageBoxButtons.hpp>
#include <com/sun/star/awt/MessageBoxResults.hpp>
#include <com/sun/star/awt/MessageBoxType.hpp>

#include "ui/ui.h"
#include "uno_text.h"
#include "uno_ui.h"

namespace qv::calc {
namespace {

namespace b = css::awt::MessageBoxButtons;
namespace r = css::awt::MessageBoxResults;

TEST(Mnemonics, TheAccessKeyMarkIsTheOfficesAndTheRestIsKept) {
  const struct {
    const char* caption;
    const char* shown;
  } cases[] = {
      {"&Quorvalent", "~Quorvalent"},
      {"E&xit", "E~xit"},
      {"Send SMS", "Send SMS"},
      {"Fish && Chips", "Fish & Chips"},
      {"a~b", "a~~b"},
      {"&&&Go", "&~Go"},
      {"", ""},
      {"Zoë &Ünïcode", "Zoë ~Ünïcode"},
  };
  for (const auto& c : cases) EXPECT_EQ(Mnemonics(c.caption), c.shown) << c.caption;
}

TEST(MessageBoxes, TheStyleNumbersBecomeTheToolkitsKindButtonsAndDefault) {
  const struct {
    int style;
    int type;
    int buttons;
  } cases[] = {
      {ui::mb::OkOnly, css::awt::MessageBoxType_MESSAGEBOX, b::BUTTONS_OK | b::DEFAULT_BUTTON_OK},
      {ui::mb::Information, css::awt::MessageBoxType_INFOBOX, b::BUTTONS_OK | b::DEFAULT_BUTTON_OK},
      {ui::mb::Critical, css::awt::MessageBoxType_ERRORBOX, b::BUTTONS_OK | b::DEFAULT_BUTTON_OK},
      {32 | ui::mb::YesNo, css::awt::MessageBoxType_QUERYBOX,
       b::BUTTONS_YES_NO | b::DEFAULT_BUTTON_YES},
      {48 | ui::mb::YesNo | 256, css::awt::MessageBoxType_WARNINGBOX,
       b::BUTTONS_YES_NO | b::DEFAULT_BUTTON_NO},
      {ui::mb::Information | ui::mb::OkCancel | 256, css::awt::MessageBoxType_INFOBOX,
       b::BUTTONS_OK_CANCEL | b::DEFAULT_BUTTON_CANCEL},
      {3 | 512, css::awt::MessageBoxType_MESSAGEBOX,
       b::BUTTONS_YES_NO_CANCEL | b::DEFAULT_BUTTON_CANCEL},
      {2, css::awt::MessageBoxType_MESSAGEBOX,
       b::BUTTONS_ABORT_IGNORE_RETRY | b::DEFAULT_BUTTON_CANCEL},
      {5 | 256, css::awt::MessageBoxType_MESSAGEBOX,
       b::BUTTONS_RETRY_CANCEL | b::DEFAULT_BUTTON_CANCEL},
      // No button set 6 or 7: an OK box.
      {6, css::awt::MessageBoxType_MESSAGEBOX, b::BUTTONS_OK | b::DEFAULT_BUTTON_OK},
  };
  for (const auto& c : cases) {
    const ToolkitBox box = BoxFor(c.style);
    EXPECT_EQ(box.type, c.type) << c.style;
    EXPECT_EQ(box.buttons, c.buttons) << c.style;
  }
}

TEST(MessageBoxes, AClosedBoxAnswersWhatDoesNothing) {
  const struct {
    int style;
    int result;
    int answer;
  } cases[] = {
      {ui::mb::OkOnly, r::OK, ui::mb::Ok},    {ui::mb::OkOnly, r::CANCEL, ui::mb::Ok},
      {ui::mb::YesNo, r::YES, ui::mb::Yes},   {ui::mb::YesNo, r::NO, ui::mb::No},
      {ui::mb::YesNo, r::CANCEL, ui::mb::No}, {ui::mb::OkCancel, r::CANCEL, ui::mb::Cancel},
      {3, r::CANCEL, ui::mb::Cancel},         {2, r::CANCEL, 3 /* Abort */},
      {2, r::RETRY, 4 /* Retry */},           {2, r::IGNORE, 5 /* Ignore */},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AnswerFor(c.style, c.result), c.answer) << c.style << " " << c.result;
}

}  // namespace
}  // namespace qv::calc
