#include "send/frm_send_sms.h"

#include "host/cell_ref.h"
#include "host/sheet_blocks.h"
#include "send/frm_preview_sms.h"
#include "send/frm_send_check.h"
#include "send/sheet_columns.h"
#include "send/unanswered_send.h"
#include "service/protocol.h"
#include "ui/ui.h"
#include "values/convert.h"
#include "values/sms_count.h"
#include "values/text.h"

namespace qv::send {
namespace {

constexpr const char* kRowsHint =
    "Enter either start, end rows OR enter the range of Rows. For Ex: 2-19, 27-35";
constexpr const char* kUnreadableRows = "Invalid format in row range of rows";
constexpr ui::Colour kYellow = ui::Colour::Rgb(255, 255, 0);
constexpr ui::Colour kTitleBarTextColour = ui::Colour::System(ui::SystemColour::TitleBarText);

}  // namespace

frmSendSMS::frmSendSMS(session::DialogServices services)
    : SheetForm(services.ui, "frmSendSMS"),
      MainFrame(*this, "MainFrame"),
      txtMsg(*this, "txtMsg"),
      Label6(*this, "Label6"),
      cmbMobileNumbersCell(*this, "cmbMobileNumbersCell"),
      lstExcelCells(*this, "lstExcelCells"),
      cmdAddCellToSMS(*this, "cmdAddCellToSMS"),
      Label1(*this, "Label1"),
      optRowRange(*this, "optRowRange"),
      txtStartRow(*this, "txtStartRow"),
      Label2(*this, "Label2"),
      txtEndRow(*this, "txtEndRow"),
      optRows(*this, "optRows"),
      txtRows(*this, "txtRows"),
      Label5(*this, "Label5"),
      ChkPreview(*this, "ChkPreview"),
      chkFlash(*this, "chkFlash"),
      chkSetScheduler(*this, "chkSetScheduler"),
      frame_Scheduler_Details(*this, "frame_Scheduler_Details"),
      Label3(*this, "Label3"),
      txt_SchedulerName(*this, "txt_SchedulerName"),
      Chk_notifyme(*this, "Chk_notifyme"),
      Label4(*this, "Label4"),
      combo_year(*this, "combo_year"),
      combo_month(*this, "combo_month"),
      combo_dd(*this, "combo_dd"),
      Label7(*this, "Label7"),
      combo_Times(*this, "combo_Times"),
      chkAdvance(*this, "chkAdvance"),
      frame_Grouping_Details(*this, "frame_Grouping_Details"),
      lblColumnWise(*this, "lblColumnWise"),
      cmbColumnWise(*this, "cmbColumnWise"),
      Label8(*this, "Label8"),
      txt_header(*this, "txt_header"),
      Label9(*this, "Label9"),
      txt_footer(*this, "txt_footer"),
      chkIncludeColumnText(*this, "chkIncludeColumnText"),
      cmdFilter(*this, "cmdFilter"),
      senderID_Frame(*this, "senderID_Frame"),
      Combo_SenderID(*this, "Combo_SenderID"),
      Label10(*this, "Label10"),
      cmd_GetSenderIDs(*this, "cmd_GetSenderIDs"),
      btn_getTemplates(*this, "btn_getTemplates"),
      btn_DeleteMsg(*this, "btn_DeleteMsg"),
      SaveMsgText(*this, "SaveMsgText"),
      txt_MsgName(*this, "txt_MsgName"),
      chkBox_SaveMsg(*this, "chkBox_SaveMsg"),
      combo_display_MsgNames(*this, "combo_display_MsgNames"),
      cmdSend(*this, "cmdSend"),
      cmdCancel(*this, "cmdCancel"),
      services_(services) {
  cmdAddCellToSMS.Click = [this] { cmdAddCellToSMS_Click(); };
  lstExcelCells.DblClick = [this] { lstExcelCells_DblClick(); };
  cmbMobileNumbersCell.Click = [this] { cmbMobileNumbersCell_Click(); };
  optRowRange.Click = [this] { optRowRange_Click(); };
  optRows.Click = [this] { optRows_Click(); };
  chkSetScheduler.Click = [this] { chkSetScheduler_Click(); };
  combo_month.Click = [this] { combo_month_Click(); };
  combo_year.Click = [this] { combo_year_Click(); };
  combo_dd.Click = [this] { combo_dd_Click(); };
  cmdSend.Click = [this] { cmdSend_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmdFilter.Click = [this] { cmdFilter_Click(); };
  chkAdvance.Click = [this] { chkAdvance_Click(); };
  cmbColumnWise.Click = [this] { cmbColumnWise_Click(); };
  btn_getTemplates.Click = [this] { btn_getTemplates_Click(); };
  cmd_GetSenderIDs.Click = [this] { cmd_GetSenderIDs_Click(); };
  combo_display_MsgNames.Click = [this] { combo_display_MsgNames_Click(); };
  chkBox_SaveMsg.Click = [this] { chkBox_SaveMsg_Click(); };
  txt_MsgName.Click = [this] { txt_MsgName_Click(); };
  SaveMsgText.Click = [this] { SaveMsgText_Click(); };
  btn_DeleteMsg.Click = [this] { btn_DeleteMsg_Click(); };
}

void frmSendSMS::InitializeComponent() {
  Caption = "Send SMS                                                            (Version 1.3.2)";
  Height = kShortHeight;
  MainFrame.Caption = "Enter SMS Text Message(Msg)";
  txtMsg.MultiLine = true;
  txtMsg.ToolTipText = "Enter SMS Text Message";
  Label6.Caption = "Select Mobile Numbers Column : ";
  cmbMobileNumbersCell.Editable = false;
  cmbMobileNumbersCell.ToolTipText = "Select Mobile Number Column";
  lstExcelCells.ToolTipText =
      "Double click the column name to Send Customized SMS  Ex: Dear #B# ... where B is the column "
      "which "
      "contains recepients names.";
  cmdAddCellToSMS.Caption = "Add Column To Text";
  Label1.Caption =
      "Select Column Name to replace the text with value in that column. for  Ex: Dear #B# where B "
      "is the column "
      "which contains names of all recepients.";

  optRowRange.Caption = "Start Row ";
  txtStartRow.ToolTipText = "Enter The Starting Row Number Ex:- 3";
  Label2.Caption = "End Row";
  txtEndRow.ToolTipText = "Enter The Last Row Till Which SMS To Be Pushed Ex:- 55";
  optRows.Caption = "Enter Row Ranges";
  txtRows.ToolTipText = "Enter The Ranges Of Rows Ex:- 2-10, 25-35,  etc";
  txtRows.Enabled = false;
  Label5.Caption = kRowsHint;

  ChkPreview.Caption = "Preview and Send";
  chkFlash.Caption = "Send Flash SMS";
  chkFlash.ToolTipText =
      "Send As Flash SMS (Flash SMS is one which will be displayed on the screen of the receiver "
      "mobile.)";
  chkSetScheduler.Caption = "Set Scheduler";
  chkSetScheduler.ToolTipText = "Schedule and send your SMS at appropriate date and time.";

  frame_Scheduler_Details.Caption = "Scheduler Details :";
  frame_Scheduler_Details.Visible = false;
  Label3.Caption = "Scheduler Description :";
  txt_SchedulerName.MaxLength = kSchedulerNameLength;
  Chk_notifyme.Caption = "Notify Me";
  Chk_notifyme.ToolTipText = "Receive Scheduler Sent Notification.";
  Label4.Caption = "Date : ";
  Label7.Caption = "Time : ";
  Picker().SetUpLists();

  chkAdvance.Caption = "Advance Options";
  chkAdvance.ToolTipText =
      "Select to use send more then one record in single SMS.(Grouping Concept)";
  frame_Grouping_Details.Caption = "Grouping Details :";
  frame_Grouping_Details.Visible = false;
  lblColumnWise.Caption = "Group by column : ";
  cmbColumnWise.Editable = false;
  Label8.Caption = "Header Text :";
  Label9.Caption = "Footer  Text :";
  chkIncludeColumnText.Caption = "Include Column Value In Message";
  cmdFilter.Caption = "&Filter";
  cmdFilter.ToolTipText = "Specify Condition to filter your records.";

  senderID_Frame.Caption = "Select Sender ID :";
  senderID_Frame.Visible = false;
  Combo_SenderID.Text = "Quorvalent";
  Combo_SenderID.Visible = false;
  Label10.Visible = false;
  cmd_GetSenderIDs.Caption = "Display SenderIDs";
  btn_getTemplates.Caption = "Display Saved Messages";
  btn_DeleteMsg.Caption = "Delete";
  btn_DeleteMsg.Visible = false;
  SaveMsgText.Caption = "Save";
  SaveMsgText.Visible = false;
  txt_MsgName.Text = "Enter Msg Name";
  txt_MsgName.Visible = false;
  chkBox_SaveMsg.Caption = "Save Msg";
  combo_display_MsgNames.Text = "Select a message";

  cmdSend.Caption = "Send";
  cmdSend.ToolTipText = "Send SMS's";
  cmdCancel.Caption = "Cancel";
  optRowRange.SetValue(true);

  Layout();
}

void frmSendSMS::Layout() {
  Width = 11520;
  // The message, and the template controls under it.
  MainFrame.Place(120, 60, 7080, 1260);
  txtMsg.Place(120, 240, 6840, 900, &MainFrame);
  combo_display_MsgNames.Place(120, 1410, 2520, 315);
  btn_getTemplates.Place(kTemplatesButtonLeft, kTemplatesButtonTop, 2280, 375);
  btn_DeleteMsg.Place(5160, 1380, 900, 375);
  chkBox_SaveMsg.Place(120, 1890, 1200, 255);
  txt_MsgName.Place(1380, 1860, 2520, 315);
  SaveMsgText.Place(4020, 1830, 900, 375);
  cmd_GetSenderIDs.Place(5160, 1830, 2040, 375);
  // The columns, on the right.
  Label6.Place(7320, 120, 2880, 255);
  cmbMobileNumbersCell.Place(10260, 90, 900, 315);
  lstExcelCells.Place(7320, 480, 1260, 1950);
  cmdAddCellToSMS.Place(8700, 480, 2460, 375);
  Label1.Place(8700, 930, 2460, 1500);
  // The rows.
  optRowRange.Place(120, 2340, 1140, 255);
  txtStartRow.Place(1320, 2310, 840, 315);
  Label2.Place(2280, 2340, 840, 255);
  txtEndRow.Place(3180, 2310, 840, 315);
  optRows.Place(120, 2730, 2040, 255);
  txtRows.Place(2220, 2700, 1800, 315);
  Label5.Place(120, 3090, 3900, 420);
  // The options, the sender ID and the buttons.
  ChkPreview.Place(4140, 2340, 2100, 255);
  chkFlash.Place(4140, 2640, 2100, 255);
  chkSetScheduler.Place(4140, 2940, 2100, 255);
  chkAdvance.Place(4140, 3240, 2100, 255);
  cmdFilter.Place(6300, 2310, 900, 375);
  senderID_Frame.Place(7320, 2520, 3840, 660);
  Label10.Place(120, 270, 1200, 255, &senderID_Frame);
  Combo_SenderID.Place(1440, 240, 2280, 315, &senderID_Frame);
  cmdSend.Place(8640, 3240, 1200, 375);
  cmdCancel.Place(9960, 3240, 1200, 375);
  // Below, shown only at the tall height.
  frame_Scheduler_Details.Place(120, 3720, 5640, 1560);
  Label3.Place(120, 330, 2100, 255, &frame_Scheduler_Details);
  txt_SchedulerName.Place(2280, 300, 2040, 315, &frame_Scheduler_Details);
  Chk_notifyme.Place(4440, 330, 1140, 255, &frame_Scheduler_Details);
  Label4.Place(120, 750, 600, 255, &frame_Scheduler_Details);
  combo_year.Place(780, 720, 960, 315, &frame_Scheduler_Details);
  combo_month.Place(1860, 720, 1380, 315, &frame_Scheduler_Details);
  combo_dd.Place(3360, 720, 720, 315, &frame_Scheduler_Details);
  Label7.Place(120, 1140, 600, 255, &frame_Scheduler_Details);
  combo_Times.Place(780, 1110, 1440, 315, &frame_Scheduler_Details);
  frame_Grouping_Details.Place(5880, 3720, 5280, 1560);
  lblColumnWise.Place(120, 300, 1680, 255, &frame_Grouping_Details);
  cmbColumnWise.Place(1860, 270, 960, 315, &frame_Grouping_Details);
  Label8.Place(120, 630, 1200, 255, &frame_Grouping_Details);
  txt_header.Place(1380, 600, 3780, 315, &frame_Grouping_Details);
  Label9.Place(120, 960, 1200, 255, &frame_Grouping_Details);
  txt_footer.Place(1380, 930, 3780, 315, &frame_Grouping_Details);
  chkIncludeColumnText.Place(120, 1245, 3600, 255, &frame_Grouping_Details);
}

void frmSendSMS::Form_Load() {
  Height = kShortHeight;
  FillColumnLists();
  // The names start afresh with the dialog's controls; their texts must start with them.
  templateTexts_.clear();
  SenderIdList.clear();
  // A filter is set within one opening of the dialog, which shows no trace of it once closed.
  FilterFormula.clear();
  const session::GlobalSubs& globals = services_.globals;
  if (!globals.SessionUserName.empty() && !globals.SessionPassword.empty()) {
    if (combo_display_MsgNames.ListCount() == 0) LoadTemplatesAndSenderIDs();
    if (combo_display_MsgNames.ListCount() == 0) {
      chkBox_SaveMsg.SetValue(true);
      btn_getTemplates.Visible = false;
    }
  } else {
    ShowGetTemplatesButton();
  }
  Picker().FillYearsFromNow();
  txt_header.Text = services_.settings.GetSetting(settings::kAppName, "Grouping", "Header");
  txt_footer.Text = services_.settings.GetSetting(settings::kAppName, "Grouping", "Footer");
}

void frmSendSMS::Form_Unload() {
  services_.settings.SaveAll(settings::kAppName, {{"Grouping", "Header", txt_header.Text},
                                                  {"Grouping", "Footer", txt_footer.Text}});
}

void frmSendSMS::Form_KeyPress(int keyAscii) {
  if (keyAscii == 27) cmdCancel_Click();
}

void frmSendSMS::FillColumnLists() {
  for (ui::ListControl* list : {static_cast<ui::ListControl*>(&cmbMobileNumbersCell),
                                static_cast<ui::ListControl*>(&lstExcelCells),
                                static_cast<ui::ListControl*>(&cmbColumnWise)}) {
    for (int c = 1; c <= host::kColumnCount; ++c) list->AddItem(host::ColumnLetters(c));
    list->SetListIndex(0);
  }
}

void frmSendSMS::cmdAddCellToSMS_Click() {
  if (!host::ActiveWorkbookOrSay(objExcel_, ui())) return;
  try {
    const std::string name = lstExcelCells.Text;
    if (host::Sheet* sheet = objExcel_->ActiveSheet()) sheet->SelectColumnNamed(name);
    txtMsg.Type("#" + name + "#");
    txtMsg.SetFocus();
  } catch (const std::exception&) {
    // Selecting the column is a courtesy; the message stays as it was.
  }
}

void frmSendSMS::cmbMobileNumbersCell_Click() {
  if (!objExcel_) return;
  try {
    if (host::Sheet* sheet = objExcel_->ActiveSheet())
      sheet->SelectColumnNamed(cmbMobileNumbersCell.Text);
  } catch (const std::exception&) {
    // Ignored: the choice stands whether or not the column could be shown.
  }
}

void frmSendSMS::optRowRange_Click() {
  txtStartRow.Enabled = true;
  txtEndRow.Enabled = true;
  txtRows.Enabled = false;
}

void frmSendSMS::optRows_Click() {
  txtStartRow.Enabled = false;
  txtEndRow.Enabled = false;
  txtRows.Enabled = true;
}

void frmSendSMS::chkSetScheduler_Click() {
  if (chkSetScheduler.Value()) {
    frame_Scheduler_Details.Visible = true;
    Height = kTallHeight;
    cmdSend.Caption = "Submit";
    cmdSend.ToolTipText = "Submit Scheduler!!! (SMS's will be send at mentioned Date & Time.)";
    Label5.Caption = "Make Sure That Your System's Clock (Date and Time) Is Set Correctly.";
    Label5.BackColor = kYellow;
    Label5.ToolTipText = "Scheduled SMS's will be send according to your systems Date and Time.";
    chkFlash.Enabled = false;
  } else {
    Label5.Caption = kRowsHint;
    Label5.BackColor = kTitleBarTextColour;
    Label5.FontSize = 9;
    Label5.ToolTipText.clear();
    frame_Scheduler_Details.Visible = false;
    if (!chkAdvance.Value()) Height = kShortHeight;
    cmdSend.Caption = "Send";
    cmdSend.ToolTipText = "Send SMS!!!";
    chkFlash.Enabled = true;
  }
}

bool frmSendSMS::CheckRows() {
  const auto refuse = [this](ui::TextBox& box, const char* message, bool clear) {
    if (clear) box.Text.clear();
    box.SetFocus();
    ui().MsgBox(message, ui::mb::Information, ui::kTitle);
    return false;
  };
  const std::string start = Trim(txtStartRow.Text);
  const std::string end = Trim(txtEndRow.Text);
  if (start.empty()) return refuse(txtStartRow, "Please enter start row", true);
  if (!IsNumericText(start)) return refuse(txtStartRow, "Start row should be numeric only", false);
  if (NumericValue(start) <= 0)
    return refuse(txtStartRow, "Start row should be greater than zero", false);
  if (end.empty()) return refuse(txtEndRow, "Please enter end row", true);
  if (!IsNumericText(end)) return refuse(txtEndRow, "End row should be numeric only", false);
  if (NumericValue(end) <= 0)
    return refuse(txtEndRow, "End row should be greater than zero", false);
  if (RoundHalfEven(NumericValue(start)) > RoundHalfEven(NumericValue(end))) {
    return refuse(txtEndRow, "End row should be greater than Start row", false);
  }
  return true;
}

bool frmSendSMS::CheckSchedule() {
  if (Utf8Length(txt_SchedulerName.Text) < 6) {
    txt_SchedulerName.SetFocus();
    ui().MsgBox("Scheduler Description Should Have Minimum 6 Characters.");
    return false;
  }
  const DateTime now = services_.clock.Now();
  const auto chosen = Picker().FutureMoment(ui(), now);
  if (!chosen) return false;
  ScheduleMinutes = static_cast<double>(MinutesBetween(now, *chosen));
  const std::string when = FormatDateTime(
      now.AddMinutes(static_cast<std::int64_t>(ScheduleMinutes)), "dddd dd mmmm yyyy hh:mm AM/PM");
  return ui().MsgBox("Are You Sure You Want To Set Scheculer On \n'" + when + "'",
                     ui::mb::Information | ui::mb::YesNo, ui::kTitle) != ui::mb::No;
}

void frmSendSMS::cmdSend_Click() {
  if (!host::ActiveWorkbookOrSay(objExcel_, ui())) return;
  if (!session::RequireSession(services_.login, services_.globals)) return;
  SenderIdList += ",Quorvalent";
  if (SenderIdList.find(Combo_SenderID.Text) == std::string::npos) {
    ui().MsgBox("Invalid SenderID!!!", ui::mb::Information, ui::kTitle);
    return;
  }
  if (optRowRange.Value() && !CheckRows()) return;
  if (Trim(txtMsg.Text).empty()) {
    txtMsg.Text.clear();
    txtMsg.SetFocus();
    ui().MsgBox("Please enter message", ui::mb::Information, ui::kTitle);
    return;
  }
  if (chkSetScheduler.Value() && !CheckSchedule()) return;
  if (!TypedTextsSendable()) return;
  if (!FilterFormula.empty()) {
    SendFilterSMS(FilterFormula);
  } else {
    SendSMS();
  }
}

std::optional<frmSendSMS::RowsToSend> frmSendSMS::ChosenRows() {
  const auto walk = [this]() -> std::optional<RowWalk> {
    if (optRowRange.Value()) {
      return RowWalk::Range(ToInt32(Trim(txtStartRow.Text)),
                            ToInt32(RoundHalfEven(NumericValue(txtEndRow.Text))));
    }
    std::vector<std::int32_t> rows = ParseRowRanges(Trim(txtRows.Text));
    if (rows.empty())
      throw AddinError(error::kOutOfRange,
                       "The row list \"" + Trim(txtRows.Text) + "\" names no row to send.");
    if (rows.front() == 0) {
      txtRows.SetFocus();
      ui().MsgBox(kUnreadableRows, ui::mb::Critical, ui::kTitle);
      return std::nullopt;
    }
    return RowWalk::List(std::move(rows));
  }();
  host::Sheet* sheet = walk && objExcel_ ? objExcel_->ActiveSheet() : nullptr;
  if (!sheet) return std::nullopt;
  return RowsToSend{std::move(*walk), *sheet};
}

BulkSend::Schedule frmSendSMS::ScheduleFields(bool withNotify) const {
  BulkSend::Schedule s{txt_SchedulerName.Text, static_cast<long long>(ScheduleMinutes),
                       std::nullopt};
  if (withNotify) s.notify = Chk_notifyme.Value();
  return s;
}

bool frmSendSMS::TypedTextsSendable() {
  try {
    CheckSendable(txtMsg.Text, "in the message");
    CheckSendable(Combo_SenderID.Text, "in the sender ID");
    if (chkSetScheduler.Value())
      CheckSendable(txt_SchedulerName.Text, "in the schedule description");
    if (chkAdvance.Value()) {
      CheckSendable(txt_header.Text, "in the header");
      CheckSendable(txt_footer.Text, "in the footer");
    }
  } catch (const EncodingError& e) {
    ui().MsgBox(e.what(), ui::mb::Information, ui::kTitle);
    return false;
  }
  return true;
}

bool frmSendSMS::AcceptLong(const std::string& text, std::optional<std::int32_t> row,
                            bool& concat) {
  // A text of no more bytes than that has no more characters.
  if (concat || text.size() <= kSingleSmsLength || Utf8Length(text) <= kSingleSmsLength)
    return true;
  const std::string where = row ? " for the row(" + std::to_string(*row) + ")" : "";
  ui().SetMousePointer(ui::MousePointer::Default);
  if (ui().MsgBox("SMS message contains more than 160 characters" + where +
                      ".\r\nWould you like to send more than 160 characters.",
                  ui::mb::OkCancel, ui::kTitle) == ui::mb::Cancel) {
    services_.display.Unload();
    return false;
  }
  concat = true;
  ui().SetMousePointer(ui::MousePointer::Hourglass);
  return true;
}

bool frmSendSMS::AcceptMerged(const std::string& merged, std::int32_t row, bool& concat) {
  if (!AcceptLong(merged, row, concat)) return false;
  if (merged.find_first_not_of(' ') == std::string::npos) {  // blank, nothing but spaces
    services_.display.Unload();
    ui().SetMousePointer(ui::MousePointer::Default);
    ui().MsgBox("SMS message is empty for the row(" + std::to_string(row) + ")",
                ui::mb::Information, ui::kTitle);
    return false;
  }
  return true;
}

bool frmSendSMS::AcceptFindings(const SendCheck& check, BulkSendBuilder& builder) {
  std::vector<std::string> findings = check.Lines();
  if (findings.empty()) return true;
  ui().SetMousePointer(ui::MousePointer::Default);
  frmSendCheck box(ui(), std::move(findings), check.HasDuplicates());
  box.Show(ui::Modality::Modal);
  switch (box.Chosen()) {
    case frmSendCheck::Answer::Stop:
      return false;
    case frmSendCheck::Answer::EachNumberOnce:
      builder.LeaveOut(check.LaterDuplicates());
      break;
    case frmSendCheck::Answer::AsListed:
      break;
  }
  ui().SetMousePointer(ui::MousePointer::Hourglass);
  return true;
}

bool frmSendSMS::ConfirmPreview() {
  ui().SetMousePointer(ui::MousePointer::Default);
  session::GlobalSubs& globals = services_.globals;
  globals.PreviewConfirmed = false;
  // The balance is shown beside the total when the service gives it; without it the preview
  // still shows, and the send is the user's to decide.
  std::optional<std::string> balance;
  try {
    balance =
        service::RequestBalance(services_.http, globals.SessionUserName, globals.SessionPassword);
  } catch (const std::exception&) {
    balance.reset();
  }
  frmPreviewSMS dialog(ui(), globals, std::move(balance));
  dialog.Show(ui::Modality::Modal);
  return services_.globals.PreviewConfirmed;
}

void frmSendSMS::PostAndShow(BulkSend send, long long count, bool notify) {
  send.flash = chkFlash.Value();
  send.senderName = Combo_SenderID.Text;
  if (chkSetScheduler.Value()) send.schedule = ScheduleFields(notify);
  const std::size_t numbers = NumberCount(send.numbers);
  const char* path = BulkSendPath(numbers, send.schedule.has_value());
  if (DryRun) {
    const std::size_t size =
        BulkSendBody(services_.http, services_.globals, std::move(send)).size();
    services_.display.Unload();
    ui().SetMousePointer(ui::MousePointer::Default);
    ActionDone();
    ui().MsgBox("Dry run: nothing was sent. The request would go to " + std::string(path) +
                    " with " + std::to_string(numbers) + " numbers in a body of " +
                    std::to_string(size) + " bytes.",
                ui::mb::Information, ui::kTitle);
    return;
  }
  const std::string digest = UnansweredSend::Digest(path, send);
  UnansweredSend mark(services_.settings, services_.clock);
  if (!mark.MayGo(ui(), digest)) return;
  ui().SetMousePointer(ui::MousePointer::Hourglass);
  const SendAnswer answer = PostBulkSend(services_.http, services_.globals, std::move(send), count);
  mark.Record(digest, numbers, answer.answered);
  services_.display.Unload();
  ui().SetMousePointer(ui::MousePointer::Default);
  if (answer.accepted) ActionDone();
  ui().MsgBox(answer.text, ui::mb::Information, ui::kTitle);
}

void frmSendSMS::ClearPreview() {
  services_.globals.PreviewMessages.clear();
  services_.globals.PreviewNumbers.clear();
}

void frmSendSMS::SendFailed(const std::exception& e) {
  ui().MsgBox(e.what(), ui::mb::Information, ui::kTitle);
}

frmSendSMS::SendEnd::~SendEnd() {
  form_.services_.display.Unload();
  form_.ui().SetMousePointer(ui::MousePointer::Default);
  form_.ClearPreview();
}

namespace {

std::string WithoutDotsAndDashes(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c != '.' && c != '-') out += c;
  }
  return out;
}

}  // namespace

bool frmSendSMS::SendSMS() {
  session::GlobalSubs& globals = services_.globals;
  if (!session::RequireSession(services_.login, globals)) return false;
  if (chkAdvance.Value()) return SendGroupedSMS();
  forms::frmDisplay& wait = services_.display;
  try {
    const SendEnd end(*this);
    auto rows = ChosenRows();
    if (!rows) return false;
    RowWalk& walk = rows->walk;
    host::Sheet& sheet = rows->sheet;
    const bool preview = ChkPreview.Value();
    ui().SetMousePointer(ui::MousePointer::Hourglass);
    wait.Progress("Please wait - Selecting Columns...");
    const std::string templateText = Trim(txtMsg.Text);
    BulkSendBuilder builder(templateText, FindPlaceholders(templateText), globals, preview);
    builder.Expect(walk.Count());
    wait.Progress("Please wait - sending SMS messages");
    bool concat = false;
    SendCheck check(builder.Names(), true);
    check.FixedText(templateText, "the template");
    if (!CollectRows(walk, sheet, builder, check, concat)) return false;
    // Nothing is shown or sent from a sheet that cannot be read to its end.
    sheet.FinishReading();
    if (!AcceptFindings(check, builder)) return false;

    if (preview) {
      if (builder.Count() < 1) {
        ui().SetMousePointer(ui::MousePointer::Default);
        ui().MsgBox("There Is No Mobile Number In Specified Range.", ui::mb::Information,
                    ui::kTitle);
        return false;
      }
      if (!ConfirmPreview()) return false;
    }
    ClearPreview();
    wait.Progress("Please wait - Sending SMS...");
    BulkSend send = builder.Take();
    if (send.numbers.empty()) {
      ui().MsgBox("0 SMS Messages Sent\nThere are no Mobilenumbers available in specified colum.",
                  ui::mb::Information, ui::kTitle);
      cmbMobileNumbersCell.SetFocus();
    } else {
      send.concat = concat;
      PostAndShow(std::move(send), builder.Count(), true);
    }
    return true;
  } catch (const std::exception& e) {
    SendFailed(e);
    return false;
  }
}

bool frmSendSMS::CollectRows(RowWalk& walk, host::Sheet& sheet, BulkSendBuilder& builder,
                             SendCheck& check, bool& concat) {
  const std::vector<std::string>& names = builder.Names();
  std::vector<SheetColumn> columns;
  for (const auto& n : names) columns.emplace_back(n, "the placeholder #" + n + "#");
  const SheetColumn mobileCells(Trim(cmbMobileNumbersCell.Text), "the mobile number");
  std::vector<std::string> values(names.size());
  Merger merge(names);
  host::SheetBlocks cells(sheet, walk.LastRow());
  for (; !walk.Done(); walk.Next()) {
    const std::int32_t row = walk.Row();
    services_.display.Step("Please wait - Processing Record No. " + std::to_string(row));
    const Variant mobile = cells.Value(mobileCells.At(row));
    if (mobile.IsEmpty() || !IsNumeric(mobile)) continue;
    for (std::size_t i = 0; i < names.size(); ++i) {
      const host::CellRef cell = columns[i].At(row);
      values[i] = cells.Text(cell);
      CheckCellSendable(values[i], cell);
      check.Cell(i, cell, values[i]);
    }
    const std::string& merged = merge(builder.Message(), values);
    if (!AcceptMerged(merged, row, concat)) return false;
    const std::string mobileText = ValueAsText(mobile);
    const std::string number = WithoutDotsAndDashes(mobileText);
    check.Message(row, number, mobile, merged);
    builder.Add(number, mobileText, merged, values);
  }
  return true;
}

}  // namespace qv::send
