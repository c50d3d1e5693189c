// The message templates and sender IDs the account keeps on the service, inside the Send SMS
// dialog: one download at start-up, save and delete.
#include <algorithm>
#include "send/frm_send_sms.h"
#include "service/protocol.h"
#include "values/cp1252.h"

#include "ui/ui.h"
#include "values/text.h"

namespace qv::send {
namespace {

constexpr const char* kNameHint = "Enter Msg Name";
constexpr const char* kMsgName = "|msg_name|";
constexpr const char* kMsgText = "|msg_text|";
constexpr const char* kSenderIds = "|SenderIDs_Data|";
constexpr const char* kSid = "|sid|";
constexpr const char* kDeleted = "Successfully Deleted!!!";

}  // namespace

void frmSendSMS::ShowGetTemplatesButton() {
  btn_getTemplates.Visible = true;
  btn_getTemplates.Left = kTemplatesButtonLeft;
  btn_getTemplates.Top = kTemplatesButtonTop;
}

void frmSendSMS::LoadTemplatesAndSenderIDs() {
  std::string answer;
  try {
    service::FormBody body;
    body.Field("getMsg", "Yes")
        .Credentials(services_.http, services_.globals.SessionUserName,
                     services_.globals.SessionPassword)
        .Field("ver", "1.3");
    answer = services_.http.HttpPost(service::path::kTemplates, body.str());
  } catch (const std::exception&) {
    // A download that cannot go out finds no data, like one that gets no answer.
  }
  templatesAnswered_ = !answer.empty();
  if (answer.find(kMsgText) != std::string::npos) {
    const auto pieces = Split(answer, kMsgText);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
      const auto marker = pieces[i].find(kMsgName);
      if (marker == std::string::npos) continue;
      combo_display_MsgNames.AddItem(pieces[i].substr(0, marker));
      templateTexts_.push_back(pieces[i].substr(marker + std::string(kMsgName).size()));
    }
  }
  // Sender IDs count also without templates, so that such an account can use its own IDs.
  if (const auto at = answer.find(kSenderIds); at != std::string::npos) {
    std::string part = answer.substr(at + std::string(kSenderIds).size());
    if (const auto second = part.find(kSenderIds); second != std::string::npos) part.resize(second);
    const auto ids = Split(part, kSid);
    int added = 0;
    for (std::size_t i = 0; i + 1 < ids.size(); ++i) {
      Combo_SenderID.AddItem(ids[i]);
      SenderIdList += "," + ids[i];
      ++added;
    }
    if (added > 1) {
      Combo_SenderID.Visible = true;
      Label10.Visible = true;
      senderID_Frame.Visible = true;
    }
  }
  btn_getTemplates.Visible = false;
  cmd_GetSenderIDs.Visible = false;
}

void frmSendSMS::btn_getTemplates_Click() {
  if (!session::RequireSession(services_.login, services_.globals)) return;
  if (combo_display_MsgNames.ListCount() == 0) LoadTemplatesAndSenderIDs();
}

void frmSendSMS::combo_display_MsgNames_Click() {
  const int i = combo_display_MsgNames.ListIndex();
  if (i < 0 || i >= static_cast<int>(templateTexts_.size())) return;
  txtMsg.Text = templateTexts_[static_cast<std::size_t>(i)];
  btn_DeleteMsg.Visible = true;
}

void frmSendSMS::chkBox_SaveMsg_Click() {
  if (chkBox_SaveMsg.Value()) {
    txt_MsgName.Visible = true;
    SaveMsgText.Visible = true;
    txt_MsgName.Text = kNameHint;
    btn_getTemplates.Visible = false;
    btn_DeleteMsg.Visible = false;
  } else {
    txt_MsgName.Visible = false;
    SaveMsgText.Visible = false;
    if (combo_display_MsgNames.ListCount() == 0) ShowGetTemplatesButton();
  }
}

void frmSendSMS::txt_MsgName_Click() {
  if (txt_MsgName.Text == kNameHint) txt_MsgName.Text.clear();
}

void frmSendSMS::SaveMsgText_Click() {
  if (txtMsg.Text.empty()) {
    ui().MsgBox("There is no SMS message found!!!", ui::mb::Information, ui::kTitle);
    return;
  }
  if (txt_MsgName.Text == kNameHint || txt_MsgName.Text.empty()) {
    ui().MsgBox("Please Provide Msg Name!!!", ui::mb::Information, ui::kTitle);
    txt_MsgName.SetFocus();
    return;
  }
  try {
    CheckSendable(txtMsg.Text, "in the message");
    CheckSendable(txt_MsgName.Text, "in the template name");
    if (!session::RequireCredentials(services_.login, services_.globals)) return;
    service::FormBody body;
    body.Field("SaveMsg", txtMsg.Text)
        .Field("MsgName", txt_MsgName.Text)
        .Credentials(services_.http, services_.globals.SessionUserName,
                     services_.globals.SessionPassword)
        .Field("ver", "1.0");
    const std::string answer = services_.http.HttpPost(service::path::kTemplates, body.str());
    ui().MsgBox(
        service::AnswerText(answer, service::Request::Sending, "Message Saved Successfully!!!"),
        ui::mb::Information, ui::kTitle);
    txt_MsgName.Visible = false;
    SaveMsgText.Visible = false;
    // Only a template the service kept joins the list.
    if (answer == "000") {
      ActionDone();
      combo_display_MsgNames.AddItem(txt_MsgName.Text);
      templateTexts_.push_back(txtMsg.Text);
    }
  } catch (const std::exception& e) {
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
}

void frmSendSMS::btn_DeleteMsg_Click() {
  const std::string name = combo_display_MsgNames.Text;
  if (name.empty()) {
    ui().MsgBox("Please Select Message Name!!!", ui::mb::Information, ui::kTitle);
    return;
  }
  if (ui().MsgBox("Do You Really Want To Delete '" + name + "'", ui::mb::Critical | ui::mb::YesNo,
                  ui::kTitle) != ui::mb::Yes) {
    return;
  }
  try {
    CheckSendable(name, "in the template name");
    if (!session::RequireCredentials(services_.login, services_.globals)) return;
    service::FormBody body;
    body.Field("MsgName", name)
        .Field("delete", "Y")
        .Credentials(services_.http, services_.globals.SessionUserName,
                     services_.globals.SessionPassword)
        .Field("ver", "1.0");
    const std::string answer = services_.http.HttpPost(service::path::kTemplates, body.str());
    if (answer == kDeleted) {
      ActionDone();
      // The entry of that name goes, with its text, whether it was chosen or typed.
      const auto& items = combo_display_MsgNames.Items;
      const auto it = std::find(items.begin(), items.end(), name);
      if (it != items.end()) {
        const auto index = static_cast<std::size_t>(it - items.begin());
        combo_display_MsgNames.RemoveItem(static_cast<int>(index));
        if (index < templateTexts_.size())
          templateTexts_.erase(templateTexts_.begin() + static_cast<std::ptrdiff_t>(index));
        combo_display_MsgNames.Text.clear();
      }
    }
    ui().MsgBox(answer.empty() ? service::text::kCheckConnection : answer, ui::mb::Information,
                ui::kTitle);
  } catch (const std::exception& e) {
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
}

}  // namespace qv::send
