#include "send/frm_send_check.h"

namespace qv::send {

frmSendCheck::frmSendCheck(ui::Ui& ui, std::vector<std::string> findings, bool duplicates)
    : Form(ui, "frmSendCheck"),
      lblFindings(*this, "lblFindings"),
      lstFindings(*this, "lstFindings"),
      cmdSendOnce(*this, "cmdSendOnce"),
      cmdSend(*this, "cmdSend"),
      cmdStop(*this, "cmdStop"),
      findings_(std::move(findings)),
      duplicates_(duplicates) {
  cmdSendOnce.Click = [this] { Choose(Answer::EachNumberOnce); };
  cmdSend.Click = [this] { Choose(Answer::AsListed); };
  cmdStop.Click = [this] { Choose(Answer::Stop); };
}

void frmSendCheck::InitializeComponent() {
  Caption = "Check Before Sending";
  lblFindings.Caption = "Before the messages go, look at what this send is about to do:";
  cmdSendOnce.Caption = "Send Each Number Once";
  cmdSendOnce.ToolTipText =
      "The later rows of a number that stands in more than one row are left out.";
  cmdSend.Caption = "Send To Every Row";
  cmdStop.Caption = "Stop";
  cmdStop.Cancel = true;
  cmdStop.Default = true;
  Width = 9000;
  Height = 5520;
  lblFindings.Place(120, 120, 8520, 255);
  lstFindings.Place(120, 420, 8520, 3900);
  cmdSendOnce.Place(120, 4440, 2760, 375);
  cmdSend.Place(3000, 4440, 2760, 375);
  cmdStop.Place(7320, 4440, 1320, 375);
}

void frmSendCheck::Form_Load() {
  lstFindings.Items = findings_;
  cmdSendOnce.Visible = duplicates_;
  if (!duplicates_) cmdSend.Caption = "Send";
}

void frmSendCheck::Choose(Answer answer) {
  answer_ = answer;
  Unload();
}

}  // namespace qv::send
