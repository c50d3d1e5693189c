// The filter step of the filtered send, and the grouped send, on 100,000 rows.
#include <benchmark/benchmark.h>

#include "addin/connect.h"
#include "bench_support.h"
#include "host/memory_application.h"
#include "send/recordset.h"
#include "ui/scripted_ui.h"

namespace {

using namespace qv;

void BM_Filter(benchmark::State& state) {
  send::Recordset records;
  records.AppendField("A", send::FieldType::VarChar, 20);
  records.AppendField("FC_B", send::FieldType::VarChar, 500);
  records.AppendField("FC_C", send::FieldType::Double, 15);
  for (int r = 0; r < 100000; ++r) {
    records.AddNew();
    records.SetValue("A", 919800000000.0 + r);
    records.SetValue("FC_B",
                     r % 4 == 0 ? "Basil " + std::to_string(r) : "Other " + std::to_string(r));
    records.SetValue("FC_C", static_cast<double>(r % 1000));
  }
  for (auto _ : state) {
    records.Filter("FC_B like 'bas%' AND FC_C > 500");
    benchmark::DoNotOptimize(records.RecordCount());
  }
  state.counters["matches"] = static_cast<double>(records.RecordCount());
  state.counters["records_per_second"] =
      benchmark::Counter(100000, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Filter)->Unit(benchmark::kMillisecond);

void BM_GroupedSend(benchmark::State& state) {
  host::MemoryApplication app;
  host::MemorySheet& sheet = *app.AddWorkbook("Book1").ActiveSheet();
  for (int r = 1; r <= 100000; ++r) {
    sheet.SetValue(host::CellRef{1, r}, 919800000000.0 + (r - 1) / 3);
    sheet.SetValue(host::CellRef{2, r}, "Client " + std::to_string((r - 1) / 3));
    sheet.SetValue(host::CellRef{4, r},
                   "Invoice " + std::to_string(r) + ": " + std::to_string(r % 500) + ".00");
  }
  bench::LoggedInAddin addin(app);
  ui::ScriptedUi& ui = addin.ui;
  bench::CountingTransport& transport = addin.transport;
  send::frmSendSMS& dialog = addin.SendDialog();
  dialog.chkAdvance.SetValue(true);
  dialog.cmbColumnWise.SetListIndex(1);
  dialog.txt_header.Text = "Dear #B#,";
  dialog.txt_footer.Text = "Thank you.";
  dialog.txtMsg.Text = "#D#";
  dialog.txtStartRow.Text = "1";
  dialog.txtEndRow.Text = "100000";
  for (auto _ : state) {
    ui.ClearBoxes();
    if (!dialog.SendGroupedSMS() || ui.Prompts().back() != "33334 SMS Messages Sent") {
      state.SkipWithError("the grouped send did not complete");
    }
  }
  state.counters["body_bytes"] = static_cast<double>(transport.bytes);
  state.counters["rows_per_second"] =
      benchmark::Counter(100000, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_GroupedSend)->Unit(benchmark::kMillisecond);

}  // namespace
