#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/frm_display.h"
#include "host/sheet_form.h"

namespace qv::fill {

// True when the path ends in ".xls" or ".xlsx", in any letter case.
bool IsExcelFile(const std::string& path);

// Fills a column of a sheet with mobile numbers looked up by client ID in another workbook, which
// a hidden spreadsheet instance opens read-only.
class frmClient_MNO_Map : public host::SheetForm {
 public:
  frmClient_MNO_Map(ui::Ui& ui, forms::frmDisplay& display);

  ui::Frame frameSource;
  ui::Label lblSourceNote;
  ui::TextBox txtFileName;
  ui::CommandButton cmdBrowse;
  ui::Label lblSheetName;
  ui::ComboBox cmbSheetName;
  ui::Label lblClientID_Col;
  ui::ComboBox cmbClientID_Col;
  ui::Label lblMNO;
  ui::ComboBox cmbMNO;
  ui::Frame frameDestination;
  ui::Label lblDestinationNote;
  ui::Label lblActive_SheetName;
  ui::ComboBox cmbActive_SheetName;
  ui::Label lblActive_ClientID_Col;
  ui::ComboBox cmbActive_ClientID_Col;
  ui::Label lblFill_MNO;
  ui::ComboBox cmbFill_MNO;
  ui::Label lblWhat;
  ui::Label lblExample;
  ui::CommandButton cmdOk;
  ui::CommandButton cmdExit;

  void LoadLists();
  void cmdBrowse_Click();
  void cmdOk_Click();
  void cmdExit_Click() { Unload(); }

 protected:
  void InitializeComponent() override;
  void Form_Load() override { LoadLists(); }
  void Form_Unload() override;

 private:
  void Fill();
  forms::frmDisplay& display_;
  std::unique_ptr<host::HiddenInstance> hidden_;
  // Forgets the source workbook and has the hidden instance close it; `how` says what a later
  // fill without a new Browse meets.
  enum class Source { NotChosen, Open, Closed };
  void CloseSource(Source how);
  // The source workbook Browse opened: owned by `hidden_`, good while `sourceState_` is Open.
  host::Workbook* source_ = nullptr;
  Source sourceState_ = Source::NotChosen;
};

}  // namespace qv::fill
