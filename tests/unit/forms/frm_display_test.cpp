#include "forms/frm_display.h"

#include <gtest/gtest.h>

#include "ui/scripted_ui.h"

namespace qv::testing {
namespace {

using namespace std::chrono_literals;

// Steps at the given moments (from the first): which of them the screen followed, and the text
// the form holds after each.
TEST(frmDisplay, StepsComeToTheScreenTenTimesASecondAtMostProgressAlways) {
  ui::ScriptedUi ui;
  forms::frmDisplay wait(ui);
  forms::frmDisplay::Clock::time_point now{};
  wait.now = [&now] { return now; };
  int shown = 0;
  ui.duringPendingEvents = [&] { ++shown; };
  struct Case {
    std::chrono::milliseconds at;
    bool progress;  // Progress, else Step
    int shownAfter;
  };
  const std::vector<Case> cases = {
      {0ms, false, 1},    // the first step shows the form
      {99ms, false, 1},   // too soon after it
      {100ms, false, 2},  // the interval has passed
      {150ms, true, 3},   // Progress always
      {249ms, false, 3},  // 99 ms after that Progress
      {250ms, false, 4},
  };
  for (const auto& c : cases) {
    now = forms::frmDisplay::Clock::time_point{} + c.at;
    const std::string text = "Please wait - Processing Record No. " + std::to_string(c.at.count());
    if (c.progress) {
      wait.Progress(text);
    } else {
      wait.Step(text);
    }
    EXPECT_EQ(shown, c.shownAfter) << c.at.count();
    EXPECT_EQ(wait.Label1.Caption, text) << "the text is kept even when not shown yet";
  }
  // A form closed meanwhile shows again at the next step.
  wait.Unload();
  now += 1ms;
  wait.Step("again");
  EXPECT_TRUE(wait.IsVisible());
  EXPECT_EQ(shown, 5);
}

}  // namespace
}  // namespace qv::testing
