#pragma once

#include <optional>
#include <string>
#include <vector>

#include "forms/frm_display.h"
#include "host/sheet_form.h"
#include "send/date_pickers.h"
#include "service/m_http.h"
#include "session/dialog_services.h"
#include "session/frm_login.h"
#include "settings/settings.h"

namespace qv::reports {

// Downloads the delivery reports of a date range into a new sheet of the active workbook.
class frmDR : public host::SheetForm {
 public:
  explicit frmDR(session::DialogServices services);

  ui::Frame Frame1;
  ui::Label lblMode;
  ui::ComboBox cmbMode;
  ui::Label lblFromDate;
  ui::ComboBox cmbFromDateDay;
  ui::ComboBox cmbFromDateMonth;
  ui::ComboBox cmbFromDateYear;
  ui::Label lblToDate;
  ui::ComboBox cmbToDateDay;
  ui::ComboBox cmbTodateMonth;
  ui::ComboBox cmbToDateYear;
  ui::Label lblSheetName;
  ui::TextBox txtSheetName;
  ui::Label lblModeHelp;
  ui::Label lblDatesHelp;
  ui::Label lblSheetHelp;
  ui::CommandButton cmdGet;
  ui::CommandButton cmdCancel;

  void cmdGet_Click();
  void cmdCancel_Click() { Unload(); }
  void Form_KeyPress(int keyAscii) override;

  // The tag of each mode entry: the character code of its mode, 0 for "ALL".
  const std::vector<int>& ModeTags() const { return modeTags_; }

 protected:
  void InitializeComponent() override;
  void Form_Load() override;

 private:
  send::DatePicker From() {
    return {cmbFromDateYear, cmbFromDateMonth, cmbFromDateDay, nullptr, services_.clock};
  }
  send::DatePicker To() {
    return {cmbToDateYear, cmbTodateMonth, cmbToDateDay, nullptr, services_.clock};
  }
  // What stops the click with a message; the dialog then stays open.
  struct Refusal {
    std::string message;
    int icon;
  };
  // Asks for the report and writes it into a new sheet; a refusal when it stops before.
  std::optional<Refusal> Run();
  std::optional<Refusal> CheckSheetName(host::Workbook& workbook,
                                        const std::string& sheetName) const;
  // The report's records split into fields, checked to fit a sheet.
  std::optional<Refusal> AskReport(const std::string& fromText, const std::string& toText,
                                   std::vector<std::vector<std::string>>& rows);
  static void WriteReport(host::Workbook& workbook, const std::string& sheetName,
                          const std::vector<std::vector<std::string>>& rows);
  session::DialogServices services_;
  std::vector<int> modeTags_;
};

}  // namespace qv::reports
