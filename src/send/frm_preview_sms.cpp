#include "send/frm_preview_sms.h"

#include <algorithm>

#include "values/convert.h"
#include "values/gsm0338.h"
#include "values/sms_count.h"
#include "values/text.h"

namespace qv::send {

frmPreviewSMS::frmPreviewSMS(ui::Ui& ui, session::GlobalSubs& globals,
                             std::optional<std::string> balance)
    : Form(ui, "frmPreviewSMS"),
      Label1(*this, "Label1"),
      txt_mno(*this, "txt_mno"),
      Label2(*this, "Label2"),
      txt_msg(*this, "txt_msg"),
      Label3(*this, "Label3"),
      txt_char_count(*this, "txt_char_count"),
      Label4(*this, "Label4"),
      txt_sms_count(*this, "txt_sms_count"),
      Label7(*this, "Label7"),
      txt_LongSMSs(*this, "txt_LongSMSs"),
      label_SMSCount(*this, "label_SMSCount"),
      Label5(*this, "Label5"),
      Label6(*this, "Label6"),
      label_Total_SMSs(*this, "label_Total_SMSs"),
      label_Network(*this, "label_Network"),
      label_Balance(*this, "label_Balance"),
      label_NetworkTotal(*this, "label_NetworkTotal"),
      cmdPrevious(*this, "cmdPrevious"),
      cmdNext(*this, "cmdNext"),
      cmdContinueSMS(*this, "cmdContinueSMS"),
      cmdCancel(*this, "cmdCancel"),
      globals_(globals),
      balance_(std::move(balance)) {
  cmdPrevious.Click = [this] { cmdPrevious_Click(); };
  cmdNext.Click = [this] { cmdNext_Click(); };
  cmdContinueSMS.Click = [this] { cmdContinueSMS_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void frmPreviewSMS::InitializeComponent() {
  Caption = "Preview And Send SMS";
  Label1.Caption = "Mobile Number : ";
  txt_mno.Enabled = false;
  Label2.Caption = "Message Body :- ";
  txt_msg.MultiLine = true;
  Label3.Caption = "Number Of Characters";
  txt_char_count.Text = "0";
  txt_char_count.Enabled = false;
  Label4.Caption = "Number Of SMS's";
  txt_sms_count.Text = "0";
  txt_sms_count.Enabled = false;
  Label7.Caption = "Number Of Long SMS's";
  txt_LongSMSs.Text = "0";
  txt_LongSMSs.Enabled = false;
  Label5.Caption = "Total Number";
  Label6.Caption = " Of SMS Charged = ";
  cmdPrevious.Caption = "<< Previous SMS";
  cmdNext.Caption = "Next SMS >>";
  cmdContinueSMS.Caption = "Send SMS";
  cmdCancel.Caption = "Cancel";

  Width = 7200;
  Height = 6120;
  Label1.Place(120, 150, 1500, 255);
  txt_mno.Place(1680, 120, 2400, 315);
  Label2.Place(120, 570, 1500, 255);
  txt_msg.Place(120, 840, 6720, 1800);
  Label3.Place(120, 2790, 2100, 255);
  txt_char_count.Place(2280, 2760, 900, 315);
  Label4.Place(3480, 2790, 1800, 255);
  txt_sms_count.Place(5340, 2760, 900, 315);
  Label7.Place(120, 3210, 2100, 255);
  txt_LongSMSs.Place(2280, 3180, 900, 315);
  label_SMSCount.Place(3480, 3210, 3360, 255);
  label_Network.Place(120, 3630, 6720, 255);
  Label5.Place(120, 4050, 1260, 255);
  Label6.Place(1380, 4050, 1860, 255);
  label_Total_SMSs.Place(3300, 4050, 720, 255);
  label_Balance.Place(4080, 4050, 2760, 255);
  label_NetworkTotal.Place(120, 4470, 6720, 255);
  cmdPrevious.Place(120, 4920, 1800, 375);
  cmdNext.Place(2040, 4920, 1620, 375);
  cmdContinueSMS.Place(4020, 4920, 1320, 375);
  cmdCancel.Place(5460, 4920, 1320, 375);
}

void frmPreviewSMS::Form_Load() {
  position_ = 1;
  ShowPreviewMessage(1);
  // The total is kept in 32 bits: a large send must not fail on its own count.
  long long total = 0, parts = 0;
  for (int i = 1; i <= Count(); ++i) {
    const std::string& message = globals_.PreviewMessages[static_cast<std::size_t>(i)];
    total += SmsCount(Utf8Length(message));
    parts += CountNetworkParts(message).parts;
  }
  label_Total_SMSs.Caption = std::to_string(total);
  label_NetworkTotal.Caption =
      "As the network counts them: " + std::to_string(parts) + (parts == 1 ? " part" : " parts");
  label_Balance.Caption = BalanceText(balance_, std::max(total, parts));
}

std::string frmPreviewSMS::BalanceText(const std::optional<std::string>& balance, long long parts) {
  if (!balance) return "Balance: not known";
  const std::string credits = Trim(*balance);
  std::string text = "Balance: " + credits + " credits";
  if (IsNumericText(credits) && static_cast<double>(parts) > NumericValue(credits))
    text += ", fewer than the " + std::to_string(parts) + " parts";
  return text;
}

void frmPreviewSMS::ShowPreviewMessage(int i) {
  txt_msg.Text = globals_.PreviewMessages.at(static_cast<std::size_t>(i));
  txt_mno.Text = globals_.PreviewNumbers.at(static_cast<std::size_t>(i));
  const std::size_t length = Utf8Length(txt_msg.Text);
  txt_char_count.Text = std::to_string(length);
  txt_LongSMSs.Text = LongSmsCountText(length);
  currentSms_ = SmsCount(length);
  txt_sms_count.Text = std::to_string(currentSms_);
  label_SMSCount.Caption = std::to_string(position_) + "/" + std::to_string(Count());
  const NetworkParts network = CountNetworkParts(txt_msg.Text);
  label_Network.Caption = std::string("As the network sends it: ") +
                          (network.encoding == SmsEncoding::Gsm7 ? "GSM 7-bit, " : "UCS-2, ") +
                          std::to_string(network.parts) + (network.parts == 1 ? " part" : " parts");
  if (network.encoding == SmsEncoding::Ucs2)
    label_Network.Caption += ", for " + DescribeUcs2Forcing(txt_msg.Text);
  if (Count() == 1) {
    cmdPrevious.Enabled = false;
    cmdNext.Enabled = false;
  }
}

void frmPreviewSMS::cmdNext_Click() {
  if (position_ >= Count()) {
    cmdPrevious.Enabled = true;
    cmdNext.Enabled = false;
    return;
  }
  ++position_;
  ShowPreviewMessage(position_);
  cmdPrevious.Enabled = true;
  if (position_ == Count()) cmdNext.Enabled = false;
}

void frmPreviewSMS::cmdPrevious_Click() {
  if (position_ < 2) {
    cmdPrevious.Enabled = false;
    cmdNext.Enabled = true;
    return;
  }
  --position_;
  ShowPreviewMessage(position_);
  cmdNext.Enabled = true;
  if (position_ == 1) cmdPrevious.Enabled = false;
}

void frmPreviewSMS::cmdContinueSMS_Click() {
  globals_.PreviewConfirmed = true;
  Unload();
}

void frmPreviewSMS::cmdCancel_Click() {
  globals_.PreviewConfirmed = false;
  Unload();
}

void frmPreviewSMS::txt_msg_Click() {
  if (cmdNext.Enabled) {
    cmdNext.SetFocus();
  } else {
    cmdContinueSMS.SetFocus();
  }
}

}  // namespace qv::send
