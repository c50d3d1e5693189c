// The grouped send: one message per run of neighbouring rows that share the group column's value,
// with a header and a footer, all in one bulk-send request whose template is "#A#".
#include <algorithm>

#include "host/sheet_blocks.h"
#include "send/frm_preview_sms.h"
#include "send/frm_send_sms.h"
#include "send/sheet_columns.h"
#include "ui/ui.h"
#include "values/convert.h"
#include "values/text.h"

namespace qv::send {
namespace {

constexpr const char* kGroupingHelp =
    "More Than One Record Can Be Grouped In To Single SMS. Ex :- If client X has 3 transactions on "
    "its name then X "
    "will receive only one SMS with all three transactions clubbed in it.";
constexpr const char* kPlaceholderHelp =
    "Select Column Name to replace the text with value in that column. for  Ex:- Dear #B# where B "
    "is the column "
    "which contains names of all recepients.";

bool IsBlank(const Variant& v) {
  return v.IsEmpty() || (v.kind() == Variant::Kind::Text && v.AsText().empty());
}

}  // namespace

std::string RemovePlaceholder(std::string_view text, std::string_view placeholder) {
  std::string work = " " + std::string(text) + " ";
  const auto at = work.rfind(placeholder);
  if (at != std::string::npos && at >= 1) {
    // The label is the word that ends just before the character in front of the placeholder.
    const std::size_t skipped = at - 1;
    std::size_t start = skipped;
    while (start > 0 && work[start - 1] != ' ') --start;
    const std::string label = work.substr(start, skipped - start);
    if (!label.empty()) work = ReplaceAll(work, label + " " + std::string(placeholder), "");
  }
  return Trim(ReplaceAll(work, placeholder, ""));
}

void frmSendSMS::chkAdvance_Click() {
  if (chkAdvance.Value()) {
    Height = kTallHeight;
    txtRows.Text.clear();
    txtRows.Enabled = false;
    optRows.Enabled = false;
    optRowRange.SetValue(true);
    frame_Grouping_Details.Visible = true;
    FilterFormula.clear();
    cmdFilter.Enabled = false;
    Label1.Caption = kGroupingHelp;
  } else {
    Label1.Caption = kPlaceholderHelp;
    if (!chkSetScheduler.Value()) Height = kShortHeight;
    txtRows.Enabled = true;
    optRows.Enabled = true;
    frame_Grouping_Details.Visible = false;
    cmdFilter.Enabled = true;
  }
}

void frmSendSMS::cmbColumnWise_Click() {
  if (!objExcel_) return;
  try {
    if (host::Sheet* sheet = objExcel_->ActiveSheet()) sheet->SelectColumnNamed(cmbColumnWise.Text);
  } catch (const std::exception&) {
    // Showing the column is a courtesy.
  }
}

bool frmSendSMS::SendGroupedSMS() {
  forms::frmDisplay& wait = services_.display;
  try {
    const SendEnd end(*this);
    host::Sheet* sheet = objExcel_ ? objExcel_->ActiveSheet() : nullptr;
    if (!sheet) return false;
    const bool preview = ChkPreview.Value();
    wait.Progress("Please wait - sending SMS messages");
    for (int i = 0; i < 100; ++i) ui().DoEvents();
    ui().SetMousePointer(ui::MousePointer::Hourglass);
    // Each group's whole text goes as the one placeholder A.
    BulkSendBuilder builder("#A#", {"A"}, services_.globals, preview);
    SendCheck check(FindPlaceholders(txtMsg.Text + txt_header.Text + txt_footer.Text), false);
    check.FixedText(txtMsg.Text, "the template");
    check.FixedText(txt_header.Text, "the header");
    check.FixedText(txt_footer.Text, "the footer");
    if (!CollectGroups(*sheet, builder, check)) return false;
    sheet->FinishReading();
    if (!AcceptFindings(check, builder)) return true;

    if (preview) {
      ui().SetMousePointer(ui::MousePointer::Default);
      if (builder.Count() == 0) {
        ui().MsgBox("There Is No Mobile Number In Specified Range.", ui::mb::Information,
                    ui::kTitle);
        return true;
      }
      if (!ConfirmPreview()) return true;
    }
    ClearPreview();
    wait.Progress("Please wait - Processing Mobile Numbers.");
    BulkSend send = builder.Take();
    wait.Progress("Please wait - Sending SMS's");
    if (send.numbers.size() < 5) {
      ui().MsgBox(
          " 0 Messeges Sent!!!\n\nThere are no mobile numbers in specified range of records.",
          ui::mb::Information, ui::kTitle);
      return true;
    }
    PostAndShow(std::move(send), builder.Count(), false);
    return true;
  } catch (const std::exception& e) {
    SendFailed(e);
    return false;
  }
}

bool frmSendSMS::CollectGroups(host::Sheet& sheet, BulkSendBuilder& builder, SendCheck& check) {
  const std::int32_t start = ToInt32(Trim(txtStartRow.Text));
  const std::int32_t end = ToInt32(Trim(txtEndRow.Text));
  const std::vector<std::string> names =
      FindPlaceholders(txtMsg.Text + txt_header.Text + txt_footer.Text);
  const SheetColumn groupColumn(cmbColumnWise.Text, "the group value");
  const SheetColumn mobileColumn(cmbMobileNumbersCell.Text, "the mobile number");
  host::SheetBlocks cells(sheet, std::max(start, end));
  const auto usable = [&](std::int32_t row) {
    const std::string mobile = ValueAsText(cells.Value(mobileColumn.At(row)));
    return !Trim(cells.Text(groupColumn.At(row))).empty() && !mobile.empty() &&
           IsNumericText(mobile);
  };
  const auto progress = [&](std::int32_t row) {
    services_.display.Step("Please wait - Processing Record No. " + std::to_string(row));
  };

  bool open = false;
  bool concat = false;
  std::int32_t firstRow = 0;
  std::string groupValue, message, header, footer, number;
  // Closes the open group; false when the user refused a long message.
  const auto endGroup = [&]() {
    std::string composed = header.empty() ? message : header + "\r\n" + message;
    if (!footer.empty()) composed += "\r\n" + footer;
    check.Message(firstRow, number, Variant(), composed);
    builder.Add(number, number, composed, {composed});
    message.clear();
    open = false;
    return AcceptLong(composed, std::nullopt, concat);
  };

  for (std::int32_t r = start; r <= end; ++r) {
    while (!usable(r) && r < end) progress(++r);
    if (!usable(r)) return !open || endGroup();
    if (!open) {
      open = true;
      firstRow = r;
      groupValue = ValueAsText(cells.Value(groupColumn.At(r)));
      number = ValueAsText(cells.Value(mobileColumn.At(r))) + "\n";
    }
    header = txt_header.Text;
    footer = txt_footer.Text;
    message = message.empty() ? txtMsg.Text : message + "\r\n" + txtMsg.Text;
    for (std::size_t i = 0; i < names.size(); ++i) {
      const std::string p = "#" + names[i] + "#";
      const host::CellRef at = SheetColumn(names[i], "the placeholder " + p).At(r);
      if (!IsBlank(cells.Value(at))) {
        const std::string text = cells.Text(at);
        CheckCellSendable(text, at);
        check.Cell(i, at, text);
        header = ReplaceAll(header, p, text);
        footer = ReplaceAll(footer, p, text);
        message = ReplaceAll(message, p, text);
      } else {
        header = RemovePlaceholder(header, p);
        footer = RemovePlaceholder(footer, p);
        message = RemovePlaceholder(message, p);
      }
    }
    while (r < end && (IsBlank(cells.Value(mobileColumn.At(r + 1))) ||
                       IsBlank(cells.Value(groupColumn.At(r + 1))))) {
      progress(++r);
    }
    if (r >= end || ValueAsText(cells.Value(groupColumn.At(r + 1))) != groupValue) {
      if (!endGroup()) return false;
    }
  }
  return true;
}

}  // namespace qv::send
