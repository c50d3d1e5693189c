#include "reports/frm_dr.h"

#include <algorithm>

#include "host/sheet_names.h"
#include "service/protocol.h"
#include "ui/ui.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::reports {
namespace {

constexpr int kFirstYear = 2003;
constexpr std::size_t kMaxFields = 26;
// The records written to the sheet in one block at most.
constexpr std::size_t kBlockRows = 4096;

// A data field as it travels: "," as the byte 0x80, "-" as "~".
std::string DecodeField(const std::string& field) {
  std::string out = ReplaceAll(field, "\xE2\x82\xAC", ",");
  out = ReplaceAll(out, "\r\n", " ");
  out = ReplaceAll(out, "~", "-");
  return ReplaceAll(out, "\x01", ",");
}

}  // namespace

frmDR::frmDR(session::DialogServices services)
    : SheetForm(services.ui, "frmDR"),
      Frame1(*this, "Frame1"),
      lblMode(*this, "lblMode"),
      cmbMode(*this, "cmbMode"),
      lblFromDate(*this, "lblFromDate"),
      cmbFromDateDay(*this, "cmbFromDateDay"),
      cmbFromDateMonth(*this, "cmbFromDateMonth"),
      cmbFromDateYear(*this, "cmbFromDateYear"),
      lblToDate(*this, "lblToDate"),
      cmbToDateDay(*this, "cmbToDateDay"),
      cmbTodateMonth(*this, "cmbTodateMonth"),
      cmbToDateYear(*this, "cmbToDateYear"),
      lblSheetName(*this, "lblSheetName"),
      txtSheetName(*this, "txtSheetName"),
      lblModeHelp(*this, "lblModeHelp"),
      lblDatesHelp(*this, "lblDatesHelp"),
      lblSheetHelp(*this, "lblSheetHelp"),
      cmdGet(*this, "cmdGet"),
      cmdCancel(*this, "cmdCancel"),
      services_(services) {
  cmdGet.Click = [this] { cmdGet_Click(); };
  cmdCancel.Click = [this] { cmdCancel_Click(); };
  cmbFromDateMonth.Click = [this] { From().MonthClick(); };
  cmbFromDateYear.Click = [this] { From().MonthClick(); };
  cmbTodateMonth.Click = [this] { To().MonthClick(); };
  cmbToDateYear.Click = [this] { To().MonthClick(); };
}

void frmDR::InitializeComponent() {
  Caption = "Deliver Reports";
  Frame1.Caption = "Enter Details";
  lblMode.Caption = "Mode Of Submissions";
  lblFromDate.Caption = "From Date";
  lblToDate.Caption = "To Date";
  lblSheetName.Caption = "Sheet Name";
  lblModeHelp.Caption = "Select mode by which you submitted data to be sent as SMS.";
  lblDatesHelp.Caption =
      "Enter the dates between which you want the delivery reports, for report on a single day, "
      "select same From "
      "and to dates ";
  lblSheetHelp.Caption =
      "Then enter name of the new sheet you want to retrieve the delivery report to.";
  for (ui::ComboBox* list : {&cmbMode, &cmbFromDateDay, &cmbFromDateMonth, &cmbFromDateYear,
                             &cmbToDateDay, &cmbTodateMonth, &cmbToDateYear}) {
    list->Editable = false;
  }
  cmdGet.Caption = "Get";
  cmdCancel.Caption = "Cancel";

  Width = 8400;
  Height = 4200;
  Frame1.Place(120, 60, 7920, 3000);
  lblMode.Place(120, 330, 1980, 255, &Frame1);
  cmbMode.Place(2160, 300, 2640, 315, &Frame1);
  lblModeHelp.Place(4920, 270, 2880, 660, &Frame1);
  lblFromDate.Place(120, 900, 1980, 255, &Frame1);
  cmbFromDateDay.Place(2160, 870, 720, 315, &Frame1);
  cmbFromDateMonth.Place(2940, 870, 1080, 315, &Frame1);
  cmbFromDateYear.Place(4080, 870, 780, 315, &Frame1);
  lblToDate.Place(120, 1320, 1980, 255, &Frame1);
  cmbToDateDay.Place(2160, 1290, 720, 315, &Frame1);
  cmbTodateMonth.Place(2940, 1290, 1080, 315, &Frame1);
  cmbToDateYear.Place(4080, 1290, 780, 315, &Frame1);
  lblDatesHelp.Place(4920, 990, 2880, 900, &Frame1);
  lblSheetName.Place(120, 2010, 1980, 255, &Frame1);
  txtSheetName.Place(2160, 1980, 2640, 315, &Frame1);
  lblSheetHelp.Place(4920, 1980, 2880, 780, &Frame1);
  cmdGet.Place(5520, 3180, 1200, 375);
  cmdCancel.Place(6840, 3180, 1200, 375);
}

void frmDR::Form_Load() {
  modeTags_.clear();
  const std::string modes = services_.settings.GetSetting(settings::kAppName, "STARTUP", "MODES");
  if (!modes.empty()) {
    for (const auto& item : Split(modes, ",")) {
      if (item.empty()) continue;
      cmbMode.AddItem(item.size() > 2 ? item.substr(2) : "");
      modeTags_.push_back(static_cast<unsigned char>(item[0]));
    }
  }
  cmbMode.AddItem("ALL");
  modeTags_.push_back(0);
  cmbMode.SetListIndex(0);

  const DateParts today = services_.clock.Now().Parts();
  for (ui::ComboBox* years : {&cmbFromDateYear, &cmbToDateYear}) {
    for (int y = kFirstYear; y <= today.year; ++y) years->AddItem(std::to_string(y));
    years->SetListIndex(years->ListCount() - 1);
  }
  for (ui::ComboBox* months : {&cmbFromDateMonth, &cmbTodateMonth}) {
    for (const auto& m : send::MonthEntries()) months->AddItem(m);
    months->SetListIndex(today.month - 1);
  }
  send::FillDayList(cmbFromDateDay, today.year, today.month, services_.clock);
  send::FillDayList(cmbToDateDay, today.year, today.month, services_.clock);
}

void frmDR::Form_KeyPress(int keyAscii) {
  if (keyAscii == 27) cmdCancel_Click();
}

void frmDR::cmdGet_Click() {
  forms::frmDisplay& wait = services_.display;
  try {
    if (const auto refusal = Run()) {
      wait.Unload();
      ui().MsgBox(refusal->message, refusal->icon, ui::kTitle);
    }
  } catch (const std::exception& e) {
    wait.Unload();
    ui().MsgBox(host::NoWorkbookOpen(objExcel_) ? host::kNoWorkbook : e.what(), ui::mb::Critical,
                ui::kTitle);
  }
}

std::optional<frmDR::Refusal> frmDR::Run() {
  host::Workbook* workbook = objExcel_ ? objExcel_->ActiveWorkbook() : nullptr;
  if (!workbook) return Refusal{host::kNoWorkbook, ui::mb::Critical};
  if (!session::RequireSession(services_.login, services_.globals)) return std::nullopt;
  const std::string sheetName = Trim(txtSheetName.Text);
  if (auto refusal = CheckSheetName(*workbook, sheetName)) {
    txtSheetName.SetFocus();
    return refusal;
  }
  const auto date = [](ui::ComboBox& month, ui::ComboBox& day, ui::ComboBox& year) {
    return std::to_string(month.ListIndex() + 1) + "/" + std::to_string(day.ListIndex() + 1) + "/" +
           year.Text;
  };
  const std::string fromText = date(cmbFromDateMonth, cmbFromDateDay, cmbFromDateYear);
  const std::string toText = date(cmbTodateMonth, cmbToDateDay, cmbToDateYear);
  const auto from = ParseDateTime(fromText);
  const auto to = ParseDateTime(toText);
  if (!from || !to) {
    throw AddinError(error::kTypeMismatch,
                     "The dates " + fromText + " and " + toText + " are not both dates.");
  }
  if (*from > *to) return Refusal{"From date should be less than To Date", ui::mb::Critical};

  std::vector<std::vector<std::string>> rows;
  if (auto refusal = AskReport(fromText, toText, rows)) return refusal;
  WriteReport(*workbook, sheetName, rows);
  services_.display.Unload();
  Unload();
  return std::nullopt;
}

std::optional<frmDR::Refusal> frmDR::CheckSheetName(host::Workbook& workbook,
                                                    const std::string& sheetName) const {
  if (sheetName.empty()) return Refusal{"Sheet name should not be empty", ui::mb::Critical};
  std::vector<std::string> names;
  for (int i = 1; i <= workbook.SheetCount(); ++i) {
    names.push_back(workbook.SheetAt(i).Name());
    if (EqualsIgnoreCaseAscii(names.back(), sheetName)) {
      return Refusal{
          "Sheet name(" + txtSheetName.Text + ") already exits.\r\nPlease choose some other",
          ui::mb::Critical};
    }
  }
  // A name the spreadsheet would refuse is refused before anything is asked of the service.
  try {
    host::CheckSheetName(sheetName, names);
  } catch (const host::HostError& e) {
    return Refusal{e.what(), ui::mb::Critical};
  }
  return std::nullopt;
}

std::optional<frmDR::Refusal> frmDR::AskReport(const std::string& fromText,
                                               const std::string& toText,
                                               std::vector<std::vector<std::string>>& rows) {
  const int tag =
      cmbMode.ListIndex() >= 0 ? modeTags_[static_cast<std::size_t>(cmbMode.ListIndex())] : 0;
  const std::string mode = tag > 0 ? std::string(1, static_cast<char>(tag)) : "ALL";
  service::FormBody body = service::FormBody::WithCredentials(
      services_.http, services_.globals.SessionUserName, services_.globals.SessionPassword);
  body.Field("FromDate", fromText).Field("ToDate", toText).Field("TOD", mode);
  services_.display.Progress("Please wait - retrieving Delivery Report");
  for (int i = 0; i < 100; ++i) ui().DoEvents();
  const std::string answer = Trim(services_.http.HttpPost(service::path::kReports, body.str()));
  if (answer.empty()) return Refusal{service::text::kNoResponse, ui::mb::Information};
  // A status code is reported as such; it is no report to write.
  if (auto status = service::StatusText(answer, service::Request::Report))
    return Refusal{*status, ui::mb::Critical};
  const std::string payload = service::Unwrap(answer);
  if (payload == "0") return Refusal{"No Records Found", ui::mb::Information};

  // The header goes in as it came; the data fields decoded.
  for (const auto& record : Split(payload, ",")) {
    rows.push_back(Split(record, "-"));
    if (rows.size() > 1) {
      for (auto& field : rows.back()) field = DecodeField(field);
    }
  }
  // The report is checked whole first, so that no half-written sheet is left behind.
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string record = "The delivery report's record " + std::to_string(r + 1);
    if (rows[r].size() > kMaxFields) {
      throw AddinError(error::kSpreadsheet,
                       record + " has " + std::to_string(rows[r].size()) +
                           " fields; a report sheet takes at most 26 (A to Z).");
    }
    for (std::size_t k = 0; k < rows[r].size(); ++k) {
      const std::size_t length = Utf8Length(rows[r][k]);
      if (length > host::kCellTextLength) {
        throw AddinError(error::kSpreadsheet, record + " has in field " + std::to_string(k + 1) +
                                                  " " + std::to_string(length) +
                                                  " characters; a cell holds at most " +
                                                  std::to_string(host::kCellTextLength) + ".");
      }
    }
  }
  return std::nullopt;
}

void frmDR::WriteReport(host::Workbook& workbook, const std::string& sheetName,
                        const std::vector<std::vector<std::string>>& rows) {
  host::Sheet& sheet = workbook.AddSheetAfter(workbook.SheetAt(workbook.SheetCount()));
  sheet.SetName(sheetName);
  for (std::size_t k = 0; k < rows[0].size(); ++k) {
    const host::CellRef cell{static_cast<int>(k + 1), 1};
    sheet.EnterText(cell, rows[0][k]);
    sheet.SetBold(cell, true);
  }
  // The records go in blocks: each a run of records with as many fields, of kBlockRows at most.
  for (std::size_t r = 1; r < rows.size();) {
    const std::size_t fields = rows[r].size();
    std::size_t end = r + 1;
    while (end < rows.size() && end - r < kBlockRows && rows[end].size() == fields) ++end;
    if (fields > 0) {
      std::vector<std::string> texts;
      texts.reserve((end - r) * fields);
      for (std::size_t i = r; i < end; ++i)
        texts.insert(texts.end(), rows[i].begin(), rows[i].end());
      sheet.EnterTexts(
          host::CellBlock{
              {1, static_cast<int>(r + 1)}, static_cast<int>(fields), static_cast<int>(end - r)},
          texts);
    }
    r = end;
  }
}

}  // namespace qv::reports
