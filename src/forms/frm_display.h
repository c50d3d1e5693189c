#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "ui/form.h"

namespace qv::forms {

// The wait form: one label that long operations fill with "Please wait - ..." texts.
class frmDisplay : public ui::Form {
 public:
  explicit frmDisplay(ui::Ui& ui) : Form(ui, "frmDisplay"), Label1(*this, "Label1") {}
  ui::Label Label1;

  using Clock = std::chrono::steady_clock;
  // Steps come to the screen this often at most.
  static constexpr std::chrono::milliseconds kStepInterval{100};

  // Shows the form modeless if it is not shown yet, writes the text and lets the screen redraw.
  void Progress(const std::string& text);
  // One step of a long walk (a row of the sheet): writes the text, but redraws and runs pending
  // events as Progress does only when kStepInterval has passed since the screen last followed, so
  // that a walk of many rows is not slowed down by its own wait form.
  void Step(const std::string& text);
  // The time Step goes by.
  std::function<Clock::time_point()> now = [] { return Clock::now(); };

 protected:
  void InitializeComponent() override;

 private:
  std::optional<Clock::time_point> shown_;
};

}  // namespace qv::forms
