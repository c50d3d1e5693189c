#pragma once

#include <optional>
#include <string>

#include "ui/form.h"

namespace qv::ui {

// The input box, as a form every renderer shows like any other: a prompt, the text, OK and Cancel.
class InputForm : public Form {
 public:
  InputForm(Ui& ui, std::string prompt, std::string title, std::string text);
  Label lblPrompt;
  TextBox txtAnswer;
  CommandButton cmdOk;
  CommandButton cmdCancel;
  // What was typed, once OK was pressed.
  std::optional<std::string> answer;

 protected:
  void InitializeComponent() override;
  void Form_Load() override;

 private:
  std::string prompt_;
  std::string title_;
  std::string text_;
};

}  // namespace qv::ui
