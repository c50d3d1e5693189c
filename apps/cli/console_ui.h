#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace qv::cli {

// The dialogs on a console. Every message box is printed, a line a line. Questions are answered
// Yes/OK with --yes, else asked when a person is at the terminal, else answered No/Cancel, so a
// script never sends by accident. A modal dialog is driven by the script its command registered
// for it; the wait form becomes a progress line on standard error when that is a terminal.
class ConsoleUi : public ui::Ui {
 public:
  ConsoleUi(std::ostream& out, bool yes);

  using Driver = std::function<void(ui::Form&)>;
  // Drives every showing of the modal form `name` from now on.
  void Drive(const std::string& name, Driver driver) { drivers_[name] = std::move(driver); }
  template <typename F>
  void Drive(const std::string& name, std::function<void(F&)> driver) {
    Drive(name, [driver](ui::Form& f) { driver(dynamic_cast<F&>(f)); });
  }
  // Answers for the next input boxes and open-file dialogs.
  void QueueInput(std::string text) { inputs_.push_back(std::move(text)); }
  void QueueFile(std::string path) { files_.push_back(std::move(path)); }
  // The total behind the progress line ("rows done of total").
  void SetProgressTotal(long long total) { progressTotal_ = total; }

  // Whether a question whose default is No (the same send again after one that got no answer) is
  // answered Yes: --yes does not answer it.
  void AnswerCautiousYes(bool yes) { cautiousYes_ = yes; }
  // A yes-or-no question of the command itself, answered as the boxes' questions are.
  bool Confirm(const std::string& question);
  bool AtTerminal() const { return interactive_; }
  // Asks a person at the terminal for a line; nullopt without one.
  std::optional<std::string> AskLine(const std::string& prompt, bool hidden);

  const std::vector<std::string>& Boxes() const { return boxes_; }

  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  using Ui::MsgBox;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& filter) override;
  void ShowForm(ui::Form& form, ui::Modality modality) override;
  void FormClosed(ui::Form& form) override;
  void SetMousePointer(ui::MousePointer) override {}

 protected:
  void RunPendingEvents() override;

 private:
  std::ostream& out_;
  bool yes_;
  bool cautiousYes_ = false;
  bool interactive_;
  bool progressTerminal_;
  bool progressShown_ = false;
  std::map<std::string, Driver> drivers_;
  std::deque<std::string> inputs_;
  std::deque<std::string> files_;
  std::vector<std::string> boxes_;
  ui::Form* wait_ = nullptr;
  long long progressTotal_ = 0;
  std::chrono::steady_clock::time_point started_{}, drawn_{};
};

}  // namespace qv::cli
