#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace qv::ui {

// The Ui of tests: every box shown is recorded, questions are answered from a queue, and a form
// shown is handed to the script registered for its name, which types and presses as a user would.
// An unscripted question is answered No or Cancel, so nothing goes ahead by accident, and is
// counted in UnscriptedQuestions.
class ScriptedUi : public Ui {
 public:
  struct Box {
    std::string prompt;
    int buttons = 0;
    std::string title;
    friend bool operator==(const Box&, const Box&) = default;
  };
  using FormScript = std::function<void(Form&)>;

  // Answers for the next questions, in order.
  void Answer(int answer) { answers_.push_back(answer); }
  void AnswerInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
  void AnswerFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }
  // The script for the next showing of the form named `formName`; a form shown without a script
  // is left as it is (a modal one is then closed, as a user closing its window would).
  void OnShow(const std::string& formName, FormScript script) {
    scripts_[formName].push_back(std::move(script));
  }
  template <typename F>
  void OnShow(const std::string& formName, std::function<void(F&)> script) {
    OnShow(formName, [script](Form& f) { script(dynamic_cast<F&>(f)); });
  }

  // The script for every showing of the form `formName` that no OnShow script is queued for.
  void Always(const std::string& formName, FormScript script) {
    standing_[formName] = std::move(script);
  }
  template <typename F>
  void Always(const std::string& formName, std::function<void(F&)> script) {
    Always(formName, [script](Form& f) { script(dynamic_cast<F&>(f)); });
  }

  const std::vector<Box>& Boxes() const { return boxes_; }
  std::vector<std::string> Prompts() const;
  const std::vector<std::string>& FormsShown() const { return shown_; }
  const std::vector<std::string>& InputPrompts() const { return inputPrompts_; }
  MousePointer Pointer() const { return pointer_; }
  int UnscriptedQuestions() const { return unscripted_; }
  int PendingScripts() const;
  void ClearBoxes() { boxes_.clear(); }

  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
  using Ui::MsgBox;
  std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& defaultText) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& filter) override;
  void ShowForm(Form& form, Modality modality) override;
  void FormClosed(Form&) override {}
  void SetMousePointer(MousePointer pointer) override { pointer_ = pointer; }
  // Runs while the add-in lets pending events in, as a user acting then would.
  std::function<void()> duringPendingEvents;

 protected:
  void RunPendingEvents() override {
    if (duringPendingEvents) duringPendingEvents();
  }

 private:
  std::vector<Box> boxes_;
  std::deque<int> answers_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<std::string>> files_;
  std::map<std::string, std::deque<FormScript>> scripts_;
  std::map<std::string, FormScript> standing_;
  std::vector<std::string> shown_;
  std::vector<std::string> inputPrompts_;
  MousePointer pointer_ = MousePointer::Default;
  int unscripted_ = 0;
};

}  // namespace qv::ui
