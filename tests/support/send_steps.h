#pragma once

#include <string>
#include <vector>

#include "addin/connect.h"
#include "host/host.h"
#include "send/frm_send_sms.h"
#include "values/variant.h"

namespace qv::testing {

// Writes rows of values into a sheet, the first into row `first`, each row's from column A on.
inline void WriteRows(host::Sheet& sheet, int first,
                      const std::vector<std::vector<Variant>>& rows) {
  for (const auto& row : rows) {
    for (std::size_t column = 0; column < row.size(); ++column)
      sheet.SetValue(host::CellRef{static_cast<int>(column) + 1, first}, row[column]);
    ++first;
  }
}

// Chooses rows `start` to `end` of the Send SMS dialog and types the message, as a user does.
inline void ChooseRows(send::frmSendSMS& dialog, const std::string& start, const std::string& end,
                       const std::string& message) {
  dialog.txtStartRow.Text = start;
  dialog.txtEndRow.Text = end;
  dialog.txtMsg.Text = message;
}

// The Send SMS dialog shown over the spreadsheet with rows `start` to `end` chosen and the message
// typed, as the menu opens it and a user fills it in.
inline send::frmSendSMS& ShowSend(addin::Connect& connect, host::Application& app,
                                  const std::string& start, const std::string& end,
                                  const std::string& message) {
  send::frmSendSMS& dialog = connect.SendSMS();
  dialog.Show(ui::Modality::Modeless);
  dialog.ExcelObj(app);
  ChooseRows(dialog, start, end, message);
  return dialog;
}

}  // namespace qv::testing
