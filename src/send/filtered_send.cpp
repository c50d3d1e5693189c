// The filtered send: the rows of the walk loaded into a recordset, the filter formula applied, and
// one bulk-send request built from the matching records.
#include "send/filter_criteria.h"
#include "send/frm_preview_sms.h"
#include "send/frm_send_sms.h"
#include "send/recordset.h"
#include "send/sheet_columns.h"
#include "ui/ui.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::send {
namespace {

constexpr const char* kFilterPrompt =
    "Enter Filter Formula.\n \nEx: #B# like 'Bas%' \n(All the specified rows of column B which "
    "starts with Bas will "
    "receive SMS.)\n\nNote: Date Format is 'MM/DD/YYYY' Ex:-#B#>'12/28/2009'";

std::string Refusal(const std::string& formula, const std::string& reason) {
  return "The filter formula " + formula + " cannot be used: " + reason + ".\nNothing was sent.";
}

}  // namespace

std::vector<std::string> GetFilterColumns(std::string_view text) {
  const std::string masked = ReplaceAll(text, "##", std::string(2, '\0'));
  std::vector<std::string> names;
  std::size_t from = 0;
  for (;;) {
    const auto open = masked.find('#', from);
    if (open == std::string::npos) return names;
    const auto close = masked.find('#', open + 1);
    if (close == std::string::npos) return names;
    names.push_back(Trim(std::string_view(masked).substr(open + 1, close - open - 1)));
    from = close + 1;
  }
}

void frmSendSMS::cmdFilter_Click() {
  FilterFormula = ui().InputBox(kFilterPrompt, ui::kTitle, FilterFormula).value_or("");
}

bool frmSendSMS::SendFilterSMS(const std::string& strFilter) {
  session::GlobalSubs& globals = services_.globals;
  if (!session::RequireSession(services_.login, globals)) return false;
  forms::frmDisplay& wait = services_.display;
  const auto refuse = [&](const std::string& reason) {
    wait.Unload();
    ui().SetMousePointer(ui::MousePointer::Default);
    ui().MsgBox(Refusal(strFilter, reason), ui::mb::Information, ui::kTitle);
    return false;
  };
  try {
    auto walk = SetUpWalk();
    if (!walk) return false;
    host::Sheet* sheet = objExcel_ ? objExcel_->ActiveSheet() : nullptr;
    if (!sheet) return false;
    const std::string templateText = Trim(txtMsg.Text);
    const std::string mobileColumn = Trim(cmbMobileNumbersCell.Text);
    const SheetColumn mobileCells(mobileColumn, "the mobile number");
    const bool preview = ChkPreview.Value();
    ui().SetMousePointer(ui::MousePointer::Hourglass);

    Recordset records;
    records.AppendField(mobileColumn, FieldType::VarChar, 20);
    const std::vector<std::string> names = FindPlaceholders(templateText);
    for (const auto& name : names) {
      if (!records.HasField(name)) records.AppendField(name, FieldType::VarChar, 500);
    }
    wait.Progress("Please wait - sending SMS messages");
    for (int i = 0; i < 100; ++i) ui().DoEvents();

    // The formula is checked before any row is read, so a mistake costs the user nothing.
    const std::vector<std::string> filterColumns = GetFilterColumns(strFilter);
    if (filterColumns.empty())
      return refuse("it names no column between two # signs (such as #B#)");
    std::string rewritten = strFilter;
    for (const auto& name : filterColumns) {
      if (!host::ColumnNumber(name))
        return refuse("\"" + name + "\" between # signs is not a column (A to IV)");
      rewritten = ReplaceAll(rewritten, "#" + name + "#", "FC_" + name);
    }
    rewritten = ReplaceAll(rewritten, "##", "#");
    try {
      FilterCriteria::Parse(rewritten);
    } catch (const FilterError& e) {
      return refuse(e.what());
    }

    const auto usable = [&](std::int32_t row) {
      if (row < 1 || row > host::kRowCount) return false;
      const Variant v = sheet->Value(mobileCells.At(row));
      return !v.IsEmpty() && IsNumeric(v);
    };
    while (!walk->Done() && !usable(walk->Row())) {
      walk->Next();
      if (!walk->Done())
        wait.Progress("Please wait - Processing Record No. " + std::to_string(walk->Row()));
    }
    // The filter columns are typed by the first row with a usable number.
    for (const auto& name : filterColumns) {
      if (records.HasField("FC_" + name)) continue;
      const Variant v =
          walk->Done() ? Variant() : sheet->Value(SheetColumn(name, "").At(walk->Row()));
      if (!v.IsEmpty() && IsNumeric(v)) {
        records.AppendField("FC_" + name,
                            name == mobileColumn ? FieldType::VarChar : FieldType::Double,
                            name == mobileColumn ? 500 : 15);
      } else if (v.kind() == Variant::Kind::Date ||
                 (v.kind() == Variant::Kind::Text && ParseDateTime(v.AsText()))) {
        records.AppendField("FC_" + name, FieldType::TimeStamp, 0);
      } else {
        records.AppendField("FC_" + name, FieldType::VarChar, 500);
      }
    }

    // A value the field cannot hold leaves it empty for that record (it then matches no
    // condition on it); the row still counts, as the recordset would count it.
    const auto store = [&](const std::string& field, const Variant& value) {
      records.Store(field, value);
    };
    bool concat = false;
    std::size_t loaded = 0;
    for (; !walk->Done(); walk->Next()) {
      const std::int32_t row = walk->Row();
      wait.Progress("Please wait - Processing Record No. " + std::to_string(row));
      if (!usable(row)) continue;
      records.AddNew();
      ++loaded;
      std::string merged = templateText;
      for (const auto& name : names) {
        const SheetColumn column(name, "");
        if (!column.IsColumn()) continue;
        const host::CellRef cell = column.At(row);
        const Variant value = sheet->Value(cell);
        const std::string text = ValueAsText(value);
        CheckCellSendable(text, cell);
        merged = ReplaceAll(merged, "#" + name + "#", text);
        store(name, value);
      }
      for (const auto& name : filterColumns)
        store("FC_" + name, sheet->Value(SheetColumn(name, "").At(row)));
      store(mobileColumn, sheet->Value(mobileCells.At(row)));
      if (!AcceptMerged(merged, row, concat)) return false;
    }

    if (loaded > 0) {
      try {
        records.Filter(rewritten);
      } catch (const FilterError& e) {
        return refuse(e.what());
      }
    }
    if (records.IsEOF() || records.IsBOF()) {
      wait.Unload();
      ui().SetMousePointer(ui::MousePointer::Default);
      ui().MsgBox(" 0 Records Selected !!!", ui::mb::Information, ui::kTitle);
      return true;
    }
    const std::string question =
        std::to_string(records.RecordCount()) +
        (chkSetScheduler.Value() ? " records has been filtered. Do you want to Set Scheduler?"
                                 : " records has been filtered. Do you want to SMS?");
    if (ui().MsgBox(question, ui::mb::OkCancel, ui::kTitle) == ui::mb::Cancel) {
      wait.Unload();
      ui().SetMousePointer(ui::MousePointer::Default);
      return true;
    }

    BulkSend send;
    send.message = templateText;
    std::int32_t counter = 0;
    ClearPreview();
    if (preview) {
      globals.PreviewMessages.emplace_back();
      globals.PreviewNumbers.emplace_back();
    }
    for (records.MoveFirst(); !records.IsEOF(); records.MoveNext()) {
      std::string merged = templateText;
      for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string value =
            records.HasField(names[i]) ? records.Text(names[i]) : std::string();
        merged = ReplaceAll(merged, "#" + names[i] + "#", value);
        if (i > 0) send.cellData += kPairs;
        send.cellData += names[i];
        send.cellData += kNameValue;
        AppendCellText(send.cellData, value);
      }
      if (!names.empty()) send.cellData += kRecords;
      const std::string mobile = records.Text(mobileColumn);
      if (counter > 0) send.numbers += ',';
      send.numbers += mobile;
      if (preview) {
        globals.PreviewMessages.push_back(std::move(merged));
        globals.PreviewNumbers.push_back(mobile);
      }
      ++counter;
    }
    if (preview) {
      if (!ConfirmPreview()) {
        ClearPreview();
        wait.Unload();
        return false;
      }
    }
    ClearPreview();
    if (!send.cellData.empty()) send.cellData.pop_back();
    if (send.numbers.empty()) {
      ui().MsgBox("0 SMS Messages Sent", ui::mb::Information, ui::kTitle);
    } else {
      wait.Progress("Please wait - Sending SMS...");
      send.concat = concat;
      PostAndShow(send, counter, false);
    }
    wait.Unload();
    ui().SetMousePointer(ui::MousePointer::Default);
    return true;
  } catch (const std::exception& e) {
    SendFailed(e);
    return false;
  }
}

}  // namespace qv::send
