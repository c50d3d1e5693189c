#pragma once

#include <optional>
#include <string>

#include "session/global_subs.h"
#include "ui/form.h"

namespace qv::send {

// Pages through the merged messages of a send before anything is posted, with their counts, and
// returns the user's decision in PreviewConfirmed.
class frmPreviewSMS : public ui::Form {
 public:
  // `balance` is the account's credit as the service gave it, when it answered.
  frmPreviewSMS(ui::Ui& ui, session::GlobalSubs& globals,
                std::optional<std::string> balance = std::nullopt);

  ui::Label Label1;
  ui::TextBox txt_mno;
  ui::Label Label2;
  ui::TextBox txt_msg;
  ui::Label Label3;
  ui::TextBox txt_char_count;
  ui::Label Label4;
  ui::TextBox txt_sms_count;
  ui::Label Label7;
  ui::TextBox txt_LongSMSs;
  ui::Label label_SMSCount;
  ui::Label Label5;
  ui::Label Label6;
  ui::Label label_Total_SMSs;
  // How the network carries the message shown, and all of them; the balance beside the total.
  ui::Label label_Network;
  ui::Label label_Balance;
  ui::Label label_NetworkTotal;
  ui::CommandButton cmdPrevious;
  ui::CommandButton cmdNext;
  ui::CommandButton cmdContinueSMS;
  ui::CommandButton cmdCancel;

  void ShowPreviewMessage(int i);
  void cmdNext_Click();
  void cmdPrevious_Click();
  void cmdContinueSMS_Click();
  void cmdCancel_Click();
  void txt_msg_Click();

  int Position() const { return position_; }

 protected:
  void InitializeComponent() override;
  void Form_Load() override;

 private:
  // What the preview says of the balance beside a total of `parts`.
  static std::string BalanceText(const std::optional<std::string>& balance, long long parts);
  int Count() const { return static_cast<int>(globals_.PreviewMessages.size()) - 1; }
  session::GlobalSubs& globals_;
  std::optional<std::string> balance_;
  int position_ = 1;
  long currentSms_ = 0;
};

}  // namespace qv::send
