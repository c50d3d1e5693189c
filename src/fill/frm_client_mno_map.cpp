#include "fill/frm_client_mno_map.h"

#include <unordered_map>

#include "host/cell_ref.h"
#include "host/sheet_blocks.h"
#include "ui/ui.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::fill {
namespace {

// A pass over a sheet ends at the 502nd empty row in a row.
constexpr int kEmptyRowsPassedOver = 501;
constexpr int kMaxSourceSheets = 255;

}  // namespace

bool IsExcelFile(const std::string& path) {
  const auto dot = path.rfind('.');
  const std::string extension = dot == std::string::npos ? path : path.substr(dot + 1);
  return EqualsIgnoreCaseAscii(extension, "XLS") || EqualsIgnoreCaseAscii(extension, "XLSX");
}

frmClient_MNO_Map::frmClient_MNO_Map(ui::Ui& ui, forms::frmDisplay& display)
    : SheetForm(ui, "frmClient_MNO_Map"),
      frameSource(*this, "frameSource"),
      lblSourceNote(*this, "lblSourceNote"),
      txtFileName(*this, "txtFileName"),
      cmdBrowse(*this, "cmdBrowse"),
      lblSheetName(*this, "lblSheetName"),
      cmbSheetName(*this, "cmbSheetName"),
      lblClientID_Col(*this, "lblClientID_Col"),
      cmbClientID_Col(*this, "cmbClientID_Col"),
      lblMNO(*this, "lblMNO"),
      cmbMNO(*this, "cmbMNO"),
      frameDestination(*this, "frameDestination"),
      lblDestinationNote(*this, "lblDestinationNote"),
      lblActive_SheetName(*this, "lblActive_SheetName"),
      cmbActive_SheetName(*this, "cmbActive_SheetName"),
      lblActive_ClientID_Col(*this, "lblActive_ClientID_Col"),
      cmbActive_ClientID_Col(*this, "cmbActive_ClientID_Col"),
      lblFill_MNO(*this, "lblFill_MNO"),
      cmbFill_MNO(*this, "cmbFill_MNO"),
      lblWhat(*this, "lblWhat"),
      lblExample(*this, "lblExample"),
      cmdOk(*this, "cmdOk"),
      cmdExit(*this, "cmdExit"),
      display_(display) {
  cmdBrowse.Click = [this] { cmdBrowse_Click(); };
  cmdOk.Click = [this] { cmdOk_Click(); };
  cmdExit.Click = [this] { cmdExit_Click(); };
}

void frmClient_MNO_Map::InitializeComponent() {
  Caption = "Client ID Mobile Mapping";
  frameSource.Caption = "Mobile Numbers Sheet (Source)";
  lblSourceNote.Caption = "Select Your Source Sheet Details.";
  cmdBrowse.Caption = "&Browse";
  lblSheetName.Caption = "Select Sheet:";
  lblClientID_Col.Caption = "Client Id Column:";
  lblMNO.Caption = "Mobile Number Column :";
  frameDestination.Caption = "Current Sheet (Destination)";
  lblDestinationNote.Caption = "Select Your Destination Sheet Details.";
  lblActive_SheetName.Caption = "Select Current Sheet : ";
  lblActive_ClientID_Col.Caption = "Client Id Column:";
  lblFill_MNO.Caption = "Fill Mobile Number Column : ";
  lblWhat.Caption =
      "What Is Fill Mobile Number?\nIf your data to be sent is in one sheet with some unique id "
      "and the corresponding "
      "mobile numbers are in saperate sheet then you can directly pull mobile numbers using this "
      "option.";
  lblExample.Caption =
      "Ex:- Sheet1 contains Data about the different transactions along with client ID as unique "
      "column. Sheet2 "
      "contains mobile numbers along with their corresponding client ID's.          Hence you can "
      "Fill all the "
      "mobile numbers from sheet2 to sheet1 using this option.";
  for (ui::ComboBox* list : {&cmbSheetName, &cmbClientID_Col, &cmbMNO, &cmbActive_SheetName,
                             &cmbActive_ClientID_Col, &cmbFill_MNO}) {
    list->Editable = false;
  }
  cmdOk.Caption = "&Ok";
  cmdOk.ToolTipText = "Fille Mobile Numbers.";
  cmdExit.Caption = "E&xit";

  Width = 9600;
  Height = 6000;
  frameSource.Place(120, 60, 4560, 2640);
  lblSourceNote.Place(120, 270, 4320, 255, &frameSource);
  txtFileName.Place(120, 600, 3120, 315, &frameSource);
  cmdBrowse.Place(3300, 570, 1140, 375, &frameSource);
  lblSheetName.Place(120, 1110, 2400, 255, &frameSource);
  cmbSheetName.Place(2580, 1080, 1860, 315, &frameSource);
  lblClientID_Col.Place(120, 1530, 2400, 255, &frameSource);
  cmbClientID_Col.Place(2580, 1500, 1080, 315, &frameSource);
  lblMNO.Place(120, 1950, 2400, 255, &frameSource);
  cmbMNO.Place(2580, 1920, 1080, 315, &frameSource);
  frameDestination.Place(4800, 60, 4440, 2640);
  lblDestinationNote.Place(120, 270, 4200, 255, &frameDestination);
  lblActive_SheetName.Place(120, 1110, 2700, 255, &frameDestination);
  cmbActive_SheetName.Place(2880, 1080, 1440, 315, &frameDestination);
  lblActive_ClientID_Col.Place(120, 1530, 2700, 255, &frameDestination);
  cmbActive_ClientID_Col.Place(2880, 1500, 1080, 315, &frameDestination);
  lblFill_MNO.Place(120, 1950, 2700, 255, &frameDestination);
  cmbFill_MNO.Place(2880, 1920, 1080, 315, &frameDestination);
  lblWhat.Place(120, 2820, 9120, 780);
  lblExample.Place(120, 3660, 9120, 1020);
  cmdOk.Place(6840, 4860, 1140, 375);
  cmdExit.Place(8100, 4860, 1140, 375);
}

void frmClient_MNO_Map::LoadLists() {
  for (ui::ComboBox* list : {&cmbClientID_Col, &cmbMNO, &cmbActive_ClientID_Col, &cmbFill_MNO}) {
    for (int c = 1; c <= host::kColumnCount; ++c) list->AddItem(host::ColumnLetters(c));
    list->SetListIndex(0);
  }
  try {
    host::Workbook* workbook = objExcel_ ? objExcel_->ActiveWorkbook() : nullptr;
    if (!workbook) throw host::HostError("No workbook is open: open the workbook to fill first.");
    for (int i = 1; i <= workbook->SheetCount(); ++i) {
      cmbSheetName.AddItem(workbook->SheetAt(i).Name());
      cmbActive_SheetName.AddItem(workbook->SheetAt(i).Name());
    }
    cmbSheetName.SetListIndex(0);
    cmbActive_SheetName.SetListIndex(0);
  } catch (const std::exception& e) {
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
}

void frmClient_MNO_Map::cmdBrowse_Click() {
  txtFileName.Text =
      ui().OpenFileDialog("Browse", "Excel 2003 (*.xls)|*.xls|Excel 2007 (*.xlsx)|*.xlsx")
          .value_or("");
  if (txtFileName.Text.empty()) return;
  if (!IsExcelFile(txtFileName.Text)) {
    ui().MsgBox("Browse only MS-Excel file", ui::mb::Information, ui::kTitle);
    return;
  }
  try {
    if (!objExcel_) throw host::HostError("The spreadsheet is not connected.");
    if (!hidden_) hidden_ = objExcel_->CreateHiddenInstance();
    host::Workbook& opened = hidden_->OpenReadOnly(txtFileName.Text);
    source_ = &opened;
    sourceState_ = Source::Open;
    cmbSheetName.Clear();
    for (int i = 1; i <= opened.SheetCount() && i <= kMaxSourceSheets; ++i)
      cmbSheetName.AddItem(opened.SheetAt(i).Name());
    cmbSheetName.SetListIndex(0);
  } catch (const std::exception& e) {
    ui().MsgBox(e.what(), ui::mb::Critical, ui::kTitle);
  }
}

void frmClient_MNO_Map::Form_Unload() {
  // Closing the dialog after a Browse closes the source; a fill in a later opening without a new
  // Browse is then refused.
  CloseSource(sourceState_ == Source::NotChosen ? Source::NotChosen : Source::Closed);
}

void frmClient_MNO_Map::CloseSource(Source how) {
  source_ = nullptr;
  sourceState_ = how;
  try {
    if (hidden_) hidden_->CloseAll();
  } catch (const std::exception&) {
    // The workbook was opened read-only and is not used again: a close the hidden instance fails
    // leaves nothing of the user's to lose, and the dialog closes regardless.
  }
}

void frmClient_MNO_Map::cmdOk_Click() {
  cmdOk.Enabled = false;
  display_.Show(ui::Modality::Modeless);
  try {
    Fill();
    CloseSource(Source::NotChosen);
    display_.Unload();
    cmdOk.Enabled = true;
    Unload();
  } catch (const std::exception& e) {
    // The reference is cleared; the workbook stays open in the hidden instance until the dialog
    // closes.
    source_ = nullptr;
    sourceState_ = Source::NotChosen;
    display_.Unload();
    cmdOk.Enabled = true;
    std::string message = e.what();
    if (dynamic_cast<const host::Disconnected*>(&e)) {
      message +=
          "\n\nDescription: Sheet containing mobilenumbers is already in use.\n\n Please click "
          "on Browse button to reselect the Sheet!!! ";
    }
    ui().MsgBox(message, ui::mb::Critical, ui::kTitle);
  }
}

void frmClient_MNO_Map::Fill() {
  if (sourceState_ == Source::Closed)
    throw host::Disconnected("The source workbook has been disconnected from the spreadsheet.");
  if (!source_)
    throw host::HostError("No source workbook has been chosen: press Browse to choose one.");
  host::Sheet* sourceSheet = source_->FindSheet(cmbSheetName.Text);
  if (!sourceSheet)
    throw host::HostError("The source workbook has no sheet named \"" + cmbSheetName.Text + "\".");
  host::Workbook* workbook = objExcel_ ? objExcel_->ActiveWorkbook() : nullptr;
  host::Sheet* target = workbook ? workbook->FindSheet(cmbActive_SheetName.Text) : nullptr;
  if (!target)
    throw host::HostError("The active workbook has no sheet named \"" + cmbActive_SheetName.Text +
                          "\".");
  const auto column = [](const ui::ComboBox& list) {
    const auto c = host::ColumnNumber(list.Text);
    if (!c) throw host::HostError("\"" + list.Text + "\" is not a column (A to IV).");
    return *c;
  };
  const int idColumn = column(cmbClientID_Col);
  const int mobileColumn = column(cmbMNO);
  const int targetIdColumn = column(cmbActive_ClientID_Col);
  const int fillColumn = column(cmbFill_MNO);

  // Each client ID with the number of its first row, so that an ID holding a "," still matches
  // whole.
  std::unordered_map<std::string, std::string> records;
  int skipped = 0;
  host::SheetBlocks source(*sourceSheet);
  for (int row = 1; row <= host::kRowCount; ++row) {
    display_.Step("Please wait - Fetching Record : " + std::to_string(row));
    std::string id = ValueAsText(source.Value(host::CellRef{idColumn, row}));
    std::string mobile = ValueAsText(source.Value(host::CellRef{mobileColumn, row}));
    if (id.empty() || mobile.empty()) {
      if (++skipped > kEmptyRowsPassedOver) break;
      continue;
    }
    skipped = 0;
    records.emplace(std::move(id), std::move(mobile));
  }
  // No number is filled from a workbook that cannot be read to its end.
  sourceSheet->FinishReading();

  skipped = 0;
  host::SheetBlocks cells(*target);
  for (int row = 1; row <= host::kRowCount; ++row) {
    display_.Step("Please wait - Filling Record : " + std::to_string(row));
    const std::string id = ValueAsText(cells.Value(host::CellRef{targetIdColumn, row}));
    if (id.empty()) {
      if (++skipped > kEmptyRowsPassedOver) break;
      continue;
    }
    skipped = 0;
    if (const auto found = records.find(id); found != records.end())
      cells.Put(host::CellRef{fillColumn, row}, found->second);
  }
  cells.Flush();
}

}  // namespace qv::fill
