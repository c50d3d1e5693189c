// Filter formulas as a user may type any, applied to a small table of the three field types, and
// row lists: a formula the filter cannot use is a FilterError, and a row list that does not read
// is the row 0.
#include "fuzz_input.h"
#include "send/filter_criteria.h"
#include "send/recordset.h"
#include "send/row_ranges.h"
#include "values/datetime.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(qv::fuzz::Text(data, size));
  (void)qv::send::ParseRowRanges(text);
  qv::send::Recordset table;
  table.AppendField("FC_B", qv::send::FieldType::VarChar, 255);
  table.AppendField("FC_C", qv::send::FieldType::Double, 0);
  table.AppendField("FC_D", qv::send::FieldType::TimeStamp, 0);
  const struct {
    const char* name;
    double amount;
    qv::DateTime due;
  } rows[] = {{"Basil", 10.5, qv::DateTime::FromParts(2009, 12, 28)},
              {"o'Neil", -3, qv::DateTime::FromParts(2026, 2, 28, 23, 59, 59)},
              {"", 1e15, qv::DateTime::FromParts(1899, 12, 30)}};
  for (const auto& r : rows) {
    table.AddNew();
    table.SetValue("FC_B", std::string(r.name));
    table.SetValue("FC_C", r.amount);
    table.SetValue("FC_D", r.due);
  }
  try {
    table.Filter(text);
    for (table.MoveFirst(); !table.IsEOF(); table.MoveNext()) (void)table.Text("FC_B");
  } catch (const qv::send::FilterError&) {
    // A formula the filter cannot use, said as such.
  }
  return 0;
}
