// Escape and Enter as every renderer hands them to a form.
#include <gtest/gtest.h>

#include <string>

#include "ui/form.h"
#include "ui/scripted_ui.h"

namespace qv::ui {
namespace {

class KeyForm : public Form {
 public:
  explicit KeyForm(Ui& ui)
      : Form(ui, "KeyForm"), cmdOk(*this, "cmdOk"), cmdCancel(*this, "cmdCancel") {
    cmdOk.Click = [this] { log += "ok;"; };
    cmdCancel.Click = [this] { log += "cancel;"; };
  }
  void Form_KeyPress(int key) override {
    log += "key " + std::to_string(key) + ";";
    if (unloadOnEscape && key == 27) Unload();
  }
  CommandButton cmdOk;
  CommandButton cmdCancel;
  std::string log;
  bool unloadOnEscape = false;

 protected:
  void InitializeComponent() override {
    cmdOk.Default = true;
    cmdCancel.Cancel = true;
  }
};

TEST(FormKeys, EscapeRunsTheKeyHandlerThenTheCancelButtonAndEnterTheDefault) {
  const struct {
    bool unloadOnEscape;
    bool cancelEnabled;
    const char* escape;
  } cases[] = {
      {false, true, "key 27;cancel;"},
      // A form its key handler closed is not cancelled again.
      {true, true, "key 27;"},
      // A disabled cancel button does nothing, as for a user's press.
      {false, false, "key 27;"},
  };
  for (const auto& c : cases) {
    ScriptedUi ui;
    KeyForm form(ui);
    form.Show(Modality::Modeless);
    form.unloadOnEscape = c.unloadOnEscape;
    form.cmdCancel.Enabled = c.cancelEnabled;
    form.EscapePressed();
    EXPECT_EQ(form.log, c.escape) << c.unloadOnEscape << c.cancelEnabled;
  }
  ScriptedUi ui;
  KeyForm form(ui);
  form.Show(Modality::Modeless);
  form.EnterPressed();
  EXPECT_EQ(form.log, "ok;");
}

}  // namespace
}  // namespace qv::ui
