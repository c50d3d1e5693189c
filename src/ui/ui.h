#pragma once

#include <optional>
#include <string>

#include "ui/form.h"

namespace qv::ui {

// Message box styles and answers, by the numbers the dialogs use.
namespace mb {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Information = 64;
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
// The second button is the default: Enter answers No.
constexpr int DefaultButton2 = 256;
}  // namespace mb

// The title a box gets when its caller gives none.
inline constexpr const char* kDefaultTitle = "Quorvalent_Excel";
// The title of almost every box the add-in shows.
inline constexpr const char* kTitle = "Quorvalent";

enum class MousePointer { Default, Hourglass };

// The user-interface toolkit as the dialogs see it.
class Ui {
 public:
  virtual ~Ui() = default;
  // Shows a box and returns the answer (mb::Ok, mb::Yes, ...).
  virtual int MsgBox(const std::string& prompt, int buttons, const std::string& title) = 0;
  // The text typed, or nullopt when cancelled.
  virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                              const std::string& defaultText) = 0;
  // The chosen file, or nullopt when cancelled.
  virtual std::optional<std::string> OpenFileDialog(const std::string& title,
                                                    const std::string& filter) = 0;
  // Called by Form::Show once the form is loaded and visible. For a modal form it returns when
  // the user is done with it (the form may be closed by then; if not, Form::Show closes it).
  virtual void ShowForm(Form& form, Modality modality) = 0;
  // Called by Form::Unload.
  virtual void FormClosed(Form& form) = 0;
  virtual void SetMousePointer(MousePointer pointer) = 0;

  // Lets the interface draw while a long loop runs. What the user does meanwhile (a press, a
  // choice, a close box, a command of the toolbar) arrives while Busy and is not handled: the
  // loop's own command is still running, and a second one would send twice.
  void DoEvents();
  bool Busy() const { return pendingEvents_ > 0; }
  // Whether no handler of the add-in is running (none is further up the stack).
  bool Idle() const { return handlers_ == 0; }
  // Runs `handler` for something the user did, unless the interface is Busy: then nothing runs
  // and the answer is false. Every renderer and command bar hands the user's doings through it.
  template <typename F>
  bool Handle(F&& handler) {
    if (Busy()) return false;
    const Count running(handlers_);
    handler();
    return true;
  }

  int MsgBox(const std::string& prompt) { return MsgBox(prompt, mb::OkOnly, kDefaultTitle); }
  int MsgBox(const std::string& prompt, int buttons) {
    return MsgBox(prompt, buttons, kDefaultTitle);
  }

 protected:
  // Draws what changed and runs the messages waiting, as DoEvents asks.
  virtual void RunPendingEvents() = 0;

 private:
  // One more for as long as it lives, however the scope ends.
  class Count {
   public:
    explicit Count(int& n) : n_(n) { ++n_; }
    ~Count() { --n_; }
    Count(const Count&) = delete;
    Count& operator=(const Count&) = delete;

   private:
    int& n_;
  };
  int pendingEvents_ = 0;
  int handlers_ = 0;
};

inline void Ui::DoEvents() {
  const Count pumping(pendingEvents_);
  RunPendingEvents();
}

// Restores the default pointer however the scope ends.
class BusyPointer {
 public:
  explicit BusyPointer(Ui& ui) : ui_(ui) { ui_.SetMousePointer(MousePointer::Hourglass); }
  ~BusyPointer() { ui_.SetMousePointer(MousePointer::Default); }
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;

 private:
  Ui& ui_;
};

}  // namespace qv::ui
