// Every dialog's layout, in each state that shows or hides a part of it: nothing visible overlaps,
// leaves its frame or the form, or has no size.
#include <gtest/gtest.h>

#include "send/frm_preview_sms.h"
#include "support/addin_fixture.h"
#include "support/layout_check.h"

namespace qv::testing {
namespace {

class LayoutTest : public AddinTest {
 protected:
  void Expect(const ui::Form& form) {
    EXPECT_EQ(LayoutProblems(form), std::vector<std::string>{}) << form.Name();
  }
};

TEST_F(LayoutTest, EveryDialogAsItOpens) {
  // The preview shows the messages of a send, counted from 1.
  connect.Globals().PreviewMessages = {"", "Dear Asha, your order has shipped."};
  connect.Globals().PreviewNumbers = {"", "919800000001"};
  send::frmPreviewSMS preview(ui, connect.Globals());
  std::vector<ui::Form*> forms{&connect.Login(), &connect.ProxySettings(), &connect.SendSMS(),
                               &connect.DR(),    &connect.Scheduler(),     &connect.ClientMnoMap(),
                               &connect.AddIn(), &connect.Display(),       &preview};
  for (ui::Form* form : forms) {
    form->Load();
    Expect(*form);
  }
}

TEST_F(LayoutTest, TheSendDialogWithEachOfItsPartsShown) {
  send::frmSendSMS& d = connect.SendSMS();
  d.Load();
  d.chkSetScheduler.SetValue(true);
  EXPECT_EQ(d.Height, send::frmSendSMS::kTallHeight);
  Expect(d);
  d.chkAdvance.SetValue(true);
  Expect(d);
  d.chkSetScheduler.SetValue(false);
  Expect(d);
  d.chkAdvance.SetValue(false);
  EXPECT_EQ(d.Height, send::frmSendSMS::kShortHeight);
  // The template controls: a name to save under, a chosen template, the sender IDs.
  d.chkBox_SaveMsg.SetValue(true);
  Expect(d);
  d.chkBox_SaveMsg.SetValue(false);
  EXPECT_TRUE(d.btn_getTemplates.Visible);
  EXPECT_EQ(d.btn_getTemplates.Left, 2760);
  EXPECT_EQ(d.btn_getTemplates.Top, 1380);
  d.btn_DeleteMsg.Visible = true;
  d.senderID_Frame.Visible = d.Label10.Visible = d.Combo_SenderID.Visible = true;
  Expect(d);
}

TEST_F(LayoutTest, TheSchedulerWithItsEditFrame) {
  scheduler::frmScheduler& s = connect.Scheduler();
  s.Load();
  s.frameEditDateTime.Visible = true;
  Expect(s);
}

TEST(LayoutCheck, FindsOverlapsEscapesAndMissingSizes) {
  ui::ScriptedUi ui;
  ui::Form form(ui, "frmTest");
  ui::Frame frame(form, "frame");
  ui::Label inFrame(form, "inFrame");
  ui::Label a(form, "a");
  ui::Label b(form, "b");
  form.Load();
  form.Width = 3000 + ui::Form::kBorderWidth;
  form.Height = 2000 + ui::Form::kTitleHeight;
  frame.Place(0, 0, 1500, 1000);
  inFrame.Place(60, 200, 1380, 740, &frame);
  a.Place(1500, 0, 1500, 1000);
  b.Place(0, 1000, 3000, 1000);
  EXPECT_EQ(LayoutProblems(form), std::vector<std::string>{});
  const std::string at = "frmTest at height 2540: ";
  const struct {
    ui::Label* label;
    int left, top, width, height;
    ui::Frame* container;
    std::string problem;
  } cases[] = {
      {&inFrame, 59, 200, 1380, 740, &frame, "inFrame leaves frame"},
      {&inFrame, 60, 199, 1380, 740, &frame, "inFrame leaves frame"},
      {&inFrame, 60, 200, 1381, 740, &frame, "inFrame leaves frame"},
      {&inFrame, 60, 200, 1380, 741, &frame, "inFrame leaves frame"},
      {&a, 1500, 0, 1501, 1000, nullptr, "a leaves the form"},
      {&b, 0, 1001, 3000, 1000, nullptr, "b leaves the form"},
      {&a, 1499, 0, 1500, 1000, nullptr, "frame overlaps a"},
      {&b, 0, 999, 1500, 1000, nullptr, "frame overlaps b"},
      {&a, 1500, 0, 0, 1000, nullptr, "a has no size"},
  };
  for (const auto& c : cases) {
    const auto saved = std::make_tuple(c.label->Left, c.label->Top, c.label->Width, c.label->Height,
                                       c.label->Container);
    c.label->Place(c.left, c.top, c.width, c.height, c.container);
    EXPECT_EQ(LayoutProblems(form), std::vector<std::string>{at + c.problem}) << c.problem;
    std::apply([&c](int l, int t, int w, int h, ui::Frame* f) { c.label->Place(l, t, w, h, f); },
               saved);
  }
  // What is hidden, or sits in a hidden frame, is not checked.
  a.Place(0, 0, 10, 10);
  a.Visible = false;
  frame.Visible = false;
  EXPECT_EQ(LayoutProblems(form), std::vector<std::string>{});
}

}  // namespace
}  // namespace qv::testing
