#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "forms/frm_display.h"
#include "host/sheet_form.h"
#include "send/bulk_send.h"
#include "send/date_pickers.h"
#include "send/recordset.h"
#include "send/row_ranges.h"
#include "send/send_check.h"
#include "service/m_http.h"
#include "session/dialog_services.h"
#include "session/frm_login.h"
#include "session/global_subs.h"
#include "settings/settings.h"

namespace qv::send {

// The column names of a filter formula: the texts between "#" pairs, trimmed; "##" is a literal
// "#".
std::vector<std::string> GetFilterColumns(std::string_view text);

// Removes a placeholder whose cell is blank from a text, together with the label before it
// ("Dear #B#," without B gives ",").
std::string RemovePlaceholder(std::string_view text, std::string_view placeholder);

// The Send SMS dialog: mobile column, message template, rows, and the send options.
class frmSendSMS : public host::SheetForm {
 public:
  explicit frmSendSMS(session::DialogServices services);

  // The scheduler description box takes thirty characters.
  static constexpr std::size_t kSchedulerNameLength = 30;
  // The dialog's height, and its height while the scheduling or the grouping frame shows.
  static constexpr int kShortHeight = 4260;
  static constexpr int kTallHeight = 5830;
  // Where "Display Saved Messages" shows when there are no templates to choose from.
  static constexpr int kTemplatesButtonLeft = 2760;
  static constexpr int kTemplatesButtonTop = 1380;

  ui::Frame MainFrame;
  ui::TextBox txtMsg;
  ui::Label Label6;
  ui::ComboBox cmbMobileNumbersCell;
  ui::ListBox lstExcelCells;
  ui::CommandButton cmdAddCellToSMS;
  ui::Label Label1;
  // Row choice.
  ui::OptionButton optRowRange;
  ui::TextBox txtStartRow;
  ui::Label Label2;
  ui::TextBox txtEndRow;
  ui::OptionButton optRows;
  ui::TextBox txtRows;
  ui::Label Label5;
  // Options.
  ui::CheckBox ChkPreview;
  ui::CheckBox chkFlash;
  ui::CheckBox chkSetScheduler;
  // Scheduling.
  ui::Frame frame_Scheduler_Details;
  ui::Label Label3;
  ui::TextBox txt_SchedulerName;
  ui::CheckBox Chk_notifyme;
  ui::Label Label4;
  ui::ComboBox combo_year;
  ui::ComboBox combo_month;
  ui::ComboBox combo_dd;
  ui::Label Label7;
  ui::ComboBox combo_Times;
  // Grouping.
  ui::CheckBox chkAdvance;
  ui::Frame frame_Grouping_Details;
  ui::Label lblColumnWise;
  ui::ComboBox cmbColumnWise;
  ui::Label Label8;
  ui::TextBox txt_header;
  ui::Label Label9;
  ui::TextBox txt_footer;
  ui::CheckBox chkIncludeColumnText;
  ui::CommandButton cmdFilter;
  // Sender IDs and templates.
  ui::Frame senderID_Frame;
  ui::ComboBox Combo_SenderID;
  ui::Label Label10;
  ui::CommandButton cmd_GetSenderIDs;
  ui::CommandButton btn_getTemplates;
  ui::CommandButton btn_DeleteMsg;
  ui::CommandButton SaveMsgText;
  ui::TextBox txt_MsgName;
  ui::CheckBox chkBox_SaveMsg;
  ui::ComboBox combo_display_MsgNames;
  ui::CommandButton cmdSend;
  ui::CommandButton cmdCancel;

  void FillColumnLists();
  void cmdAddCellToSMS_Click();
  void lstExcelCells_DblClick() { cmdAddCellToSMS_Click(); }
  void cmbMobileNumbersCell_Click();
  void optRowRange_Click();
  void optRows_Click();
  void chkSetScheduler_Click();
  void combo_month_Click() { Picker().MonthClick(); }
  void combo_year_Click() { Picker().YearClick(); }
  void combo_dd_Click() { Picker().DayClick(); }
  void cmdSend_Click();
  void cmdCancel_Click() { Unload(); }
  void cmdFilter_Click();
  void chkAdvance_Click();
  void cmbColumnWise_Click();
  // Templates and sender IDs.
  void LoadTemplatesAndSenderIDs();
  void btn_getTemplates_Click();
  void cmd_GetSenderIDs_Click() { btn_getTemplates_Click(); }
  void combo_display_MsgNames_Click();
  void chkBox_SaveMsg_Click();
  void txt_MsgName_Click();
  void SaveMsgText_Click();
  void btn_DeleteMsg_Click();
  // The texts of the templates, at the positions of their names in combo_display_MsgNames.
  const std::vector<std::string>& TemplateTexts() const { return templateTexts_; }
  // Whether the service answered the last download (empty lists may be a dead service).
  bool TemplatesAnswered() const { return templatesAnswered_; }
  void Form_KeyPress(int keyAscii) override;

  // The row-wise send; true when the service answered or there was nothing to send.
  bool SendSMS();
  // The send of the rows that match a filter formula.
  bool SendFilterSMS(const std::string& strFilter);
  // One message per group of neighbouring rows that share a value.
  bool SendGroupedSMS();

  // A send made up to its request, which is described instead of posted.
  bool DryRun = false;

  // Set by the Filter button; empty means no filter.
  std::string FilterFormula;

  double ScheduleMinutes = 0;
  // The account's sender IDs, each after a ",".
  std::string SenderIdList;

 protected:
  void InitializeComponent() override;
  void Form_Load() override;
  void Form_Unload() override;

 private:
  // Places every control; the frames below the send buttons show only at kTallHeight.
  void Layout();
  void ShowGetTemplatesButton();
  DatePicker Picker() { return {combo_year, combo_month, combo_dd, &combo_Times, services_.clock}; }
  bool CheckRows();
  bool CheckSchedule();
  // What a send of the chosen rows reads: their walk and the active sheet; nullopt when the row
  // list is unreadable (already reported) or there is no sheet.
  struct RowsToSend {
    RowWalk walk;
    host::Sheet& sheet;
  };
  std::optional<RowsToSend> ChosenRows();
  BulkSend::Schedule ScheduleFields(bool withNotify) const;
  // Refuses, in a box naming the field, typed text that cannot be sent; false when it did.
  bool TypedTextsSendable();
  // The long-message question, asked once a send: true when `text` fits one SMS or the user
  // agreed (`concat` records it), false when the send stops. The question names the row, if any.
  bool AcceptLong(const std::string& text, std::optional<std::int32_t> row, bool& concat);
  // The checks of a row's merged text: the long-message question, asked once a send (`concat`
  // records the answer), and the stop on an empty text. False when the send stops here.
  bool AcceptMerged(const std::string& merged, std::int32_t row, bool& concat);
  // The row-wise send's recipients: the rows of the walk with a number in the mobile column, each
  // with its placeholders' cell texts. False when the send stops (see AcceptMerged).
  bool CollectRows(RowWalk& walk, host::Sheet& sheet, BulkSendBuilder& builder, SendCheck& check,
                   bool& concat);
  // The grouped send's messages, one per run of rows that share the group column's value, each
  // to the number of the run's first row. False when the send stops (the long-message question).
  bool CollectGroups(host::Sheet& sheet, BulkSendBuilder& builder, SendCheck& check);
  // The filter formula's columns and the formula as the recordset reads it ("#B#" as FC_B), or
  // why it cannot be used.
  struct FilterCheck {
    std::vector<std::string> columns;
    std::string rewritten;
    std::optional<std::string> refusal;
  };
  static FilterCheck CheckFilter(const std::string& strFilter);
  // What a filtered send reads from the dialog, once.
  struct FilteredSend {
    std::string templateText;
    std::string mobileColumn;
    std::vector<std::string> names;  // the template's placeholders
    // Each record's row and mobile cell, in the order loaded.
    std::vector<std::int32_t> rows;
    std::vector<Variant> mobiles;
  };
  // Loads the rows of the walk that have a number into the recordset; how many, or nullopt when
  // the send stops (see AcceptMerged).
  std::optional<std::size_t> LoadRecords(FilteredSend& send, RowWalk& walk, host::Sheet& sheet,
                                         const std::vector<std::string>& filterColumns,
                                         Recordset& records, bool& concat);
  // Adds a field per filter column, typed by `firstValue` of the column: FC_ and the column.
  static void DefineFilterFields(Recordset& records, const std::vector<std::string>& filterColumns,
                                 const std::string& mobileColumn,
                                 const std::function<Variant(const std::string&)>& firstValue);
  // Sends the records the filter left, after the preview when one is asked for.
  bool SendRecords(const FilteredSend& send, Recordset& records, bool concat);
  // Shows the check's findings, when it has any, and takes the user's answer (each number once
  // leaves the later rows of a number out); false when the send stops.
  bool AcceptFindings(const SendCheck& check, BulkSendBuilder& builder);
  // Shows the preview of the messages in the hand-over lists; true when the user confirmed.
  bool ConfirmPreview();
  // Completes the request from the dialog's options, posts it and shows the answer's text.
  void PostAndShow(BulkSend send, long long count, bool notify);
  // Shows why a send failed; its SendEnd has already closed what it opened.
  void SendFailed(const std::exception& e);
  void ClearPreview();
  // However a send ends (sent, refused, cancelled or failed), the wait form goes, the pointer is
  // the default again and the preview's lists are emptied.
  class SendEnd {
   public:
    explicit SendEnd(frmSendSMS& form) : form_(form) {}
    ~SendEnd();
    SendEnd(const SendEnd&) = delete;
    SendEnd& operator=(const SendEnd&) = delete;

   private:
    frmSendSMS& form_;
  };

  session::DialogServices services_;
  std::vector<std::string> templateTexts_;
  bool templatesAnswered_ = false;
};

}  // namespace qv::send
