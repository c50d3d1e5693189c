// The filtered send: the rows of the walk loaded into a recordset, the filter formula applied, and
// one bulk-send request built from the matching records.
#include "host/sheet_blocks.h"
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
  // "##" is a "#" of the formula's own, never the edge of a column name.
  std::vector<std::string> names = FindPlaceholders(ReplaceAll(text, "##", std::string(2, '\0')));
  for (auto& name : names) name = Trim(name);
  return names;
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
    const SendEnd end(*this);
    auto rows = ChosenRows();
    if (!rows) return false;
    FilteredSend send{Trim(txtMsg.Text), Trim(cmbMobileNumbersCell.Text), {}, {}, {}};
    send.names = FindPlaceholders(send.templateText);
    ui().SetMousePointer(ui::MousePointer::Hourglass);

    Recordset records;
    records.AppendField(send.mobileColumn, FieldType::VarChar, 20);
    for (const auto& name : send.names) {
      if (!records.HasField(name)) records.AppendField(name, FieldType::VarChar, 500);
    }
    wait.Progress("Please wait - sending SMS messages");
    for (int i = 0; i < 100; ++i) ui().DoEvents();

    // The formula is checked before any row is read, so a mistake costs the user nothing.
    const FilterCheck filter = CheckFilter(strFilter);
    if (filter.refusal) return refuse(*filter.refusal);
    bool concat = false;
    const auto loaded = LoadRecords(send, rows->walk, rows->sheet, filter.columns, records, concat);
    if (!loaded) return false;
    rows->sheet.FinishReading();
    if (*loaded > 0) {
      try {
        records.Filter(filter.rewritten);
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
    if (ui().MsgBox(question, ui::mb::OkCancel, ui::kTitle) == ui::mb::Cancel) return true;
    return SendRecords(send, records, concat);
  } catch (const std::exception& e) {
    SendFailed(e);
    return false;
  }
}

frmSendSMS::FilterCheck frmSendSMS::CheckFilter(const std::string& strFilter) {
  FilterCheck check;
  check.columns = GetFilterColumns(strFilter);
  if (check.columns.empty()) {
    check.refusal = "it names no column between two # signs (such as #B#)";
    return check;
  }
  check.rewritten = strFilter;
  for (const auto& name : check.columns) {
    if (!host::ColumnNumber(name)) {
      check.refusal = "\"" + name + "\" between # signs is not a column (A to IV)";
      return check;
    }
    check.rewritten = ReplaceAll(check.rewritten, "#" + name + "#", "FC_" + name);
  }
  check.rewritten = ReplaceAll(check.rewritten, "##", "#");
  try {
    FilterCriteria::Parse(check.rewritten);
  } catch (const FilterError& e) {
    check.refusal = e.what();
  }
  return check;
}

std::optional<std::size_t> frmSendSMS::LoadRecords(FilteredSend& send, RowWalk& walk,
                                                   host::Sheet& sheet,
                                                   const std::vector<std::string>& filterColumns,
                                                   Recordset& records, bool& concat) {
  forms::frmDisplay& wait = services_.display;
  const std::string& templateText = send.templateText;
  const std::string& mobileColumn = send.mobileColumn;
  const SheetColumn mobileCells(mobileColumn, "the mobile number");
  host::SheetBlocks cells(sheet, walk.LastRow());
  const auto usable = [&](std::int32_t row) {
    if (row < 1 || row > host::kRowCount) return false;
    const Variant v = cells.Value(mobileCells.At(row));
    return !v.IsEmpty() && IsNumeric(v);
  };
  while (!walk.Done() && !usable(walk.Row())) {
    walk.Next();
    if (!walk.Done())
      wait.Step("Please wait - Processing Record No. " + std::to_string(walk.Row()));
  }
  DefineFilterFields(records, filterColumns, mobileColumn, [&](const std::string& name) {
    return walk.Done() ? Variant() : cells.Value(SheetColumn(name, "").At(walk.Row()));
  });

  // A value the field cannot hold leaves it empty for that record (it then matches no
  // condition on it); the row still counts, as the recordset would count it.
  const auto store = [&](const std::string& field, const Variant& value) {
    records.Store(field, value);
  };
  const std::vector<std::string>& names = send.names;
  std::size_t loaded = 0;
  for (; !walk.Done(); walk.Next()) {
    const std::int32_t row = walk.Row();
    wait.Step("Please wait - Processing Record No. " + std::to_string(row));
    if (!usable(row)) continue;
    records.AddNew();
    ++loaded;
    std::string merged = templateText;
    for (const auto& name : names) {
      const SheetColumn column(name, "");
      if (!column.IsColumn()) continue;
      const host::CellRef cell = column.At(row);
      const Variant value = cells.Value(cell);
      const std::string text = ValueAsText(value);
      CheckCellSendable(text, cell);
      merged = ReplaceAll(merged, "#" + name + "#", text);
      store(name, value);
    }
    for (const auto& name : filterColumns)
      store("FC_" + name, cells.Value(SheetColumn(name, "").At(row)));
    const Variant mobile = cells.Value(mobileCells.At(row));
    store(mobileColumn, mobile);
    send.rows.push_back(row);
    send.mobiles.push_back(mobile);
    if (!AcceptMerged(merged, row, concat)) return std::nullopt;
  }
  return loaded;
}

void frmSendSMS::DefineFilterFields(Recordset& records,
                                    const std::vector<std::string>& filterColumns,
                                    const std::string& mobileColumn,
                                    const std::function<Variant(const std::string&)>& firstValue) {
  // The filter columns are typed by the first row with a usable number.
  for (const auto& name : filterColumns) {
    if (records.HasField("FC_" + name)) continue;
    const Variant v = firstValue(name);
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
}

bool frmSendSMS::SendRecords(const FilteredSend& send, Recordset& records, bool concat) {
  forms::frmDisplay& wait = services_.display;
  const std::string& templateText = send.templateText;
  const std::vector<std::string>& names = send.names;
  BulkSendBuilder builder(templateText, names, services_.globals, ChkPreview.Value());
  SendCheck check(names, true);
  check.FixedText(templateText, "the template");
  std::vector<std::string> values(names.size());
  Merger merge(names);
  for (records.MoveFirst(); !records.IsEOF(); records.MoveNext()) {
    const std::int32_t row = send.rows[records.Position()];
    for (std::size_t i = 0; i < names.size(); ++i) {
      values[i] = records.HasField(names[i]) ? records.Text(names[i]) : std::string();
      const SheetColumn column(names[i], "");
      if (column.IsColumn()) check.Cell(i, column.At(row), values[i]);
    }
    const std::string mobile = records.Text(send.mobileColumn);
    const std::string& merged = merge(templateText, values);
    check.Message(row, mobile, send.mobiles[records.Position()], merged);
    builder.Add(mobile, mobile, merged, values);
  }
  if (!AcceptFindings(check, builder)) return false;
  if (ChkPreview.Value() && !ConfirmPreview()) return false;
  ClearPreview();
  BulkSend request = builder.Take();
  if (request.numbers.empty()) {
    ui().MsgBox("0 SMS Messages Sent", ui::mb::Information, ui::kTitle);
  } else {
    wait.Progress("Please wait - Sending SMS...");
    request.concat = concat;
    PostAndShow(std::move(request), builder.Count(), false);
  }
  return true;
}

}  // namespace qv::send
