#include "ui/input_form.h"

namespace qv::ui {

InputForm::InputForm(Ui& ui, std::string prompt, std::string title, std::string text)
    : Form(ui, "InputBox"),
      lblPrompt(*this, "lblPrompt"),
      txtAnswer(*this, "txtAnswer"),
      cmdOk(*this, "cmdOk"),
      cmdCancel(*this, "cmdCancel"),
      prompt_(std::move(prompt)),
      title_(std::move(title)),
      text_(std::move(text)) {
  cmdOk.Click = [this] {
    answer = txtAnswer.Text;
    Unload();
  };
  cmdCancel.Click = [this] { Unload(); };
}

void InputForm::InitializeComponent() {
  Caption = title_;
  Width = 6480;
  Height = 2520;
  lblPrompt.Caption = prompt_;
  lblPrompt.Place(120, 120, 4680, 1140);
  cmdOk.Caption = "OK";
  cmdOk.Default = true;
  cmdOk.Place(4980, 120, 1140, 375);
  cmdCancel.Caption = "Cancel";
  cmdCancel.Cancel = true;
  cmdCancel.Place(4980, 600, 1140, 375);
  txtAnswer.Place(120, 1440, 6000, 315);
}

void InputForm::Form_Load() {
  txtAnswer.Text = text_;
  txtAnswer.SelectAll();
  txtAnswer.SetFocus();
}

}  // namespace qv::ui
