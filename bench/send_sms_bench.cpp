// SendSMS on the in-memory spreadsheet: rows read, merged and turned into one request body.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include "addin/connect.h"
#include "bench_support.h"
#include "host/memory_application.h"
#include "service/recording_transport.h"
#include "ui/scripted_ui.h"

namespace {

using namespace qv;

double CurrentRssMiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

void BM_SendSMS(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  host::MemoryApplication app;
  host::MemorySheet& sheet = *app.AddWorkbook("Book1").ActiveSheet();
  for (int r = 1; r <= rows; ++r) {
    sheet.SetValue(host::CellRef{1, r}, 919800000000.0 + r);
    sheet.SetValue(host::CellRef{2, r}, "Customer " + std::to_string(r));
    sheet.SetValue(host::CellRef{3, r}, 100.0 + r % 1000);
    sheet.SetValueAndText(host::CellRef{4, r}, DateTime::FromParts(2026, 12, 1 + r % 28),
                          "12/" + std::to_string(1 + r % 28) + "/2026");
  }
  bench::LoggedInAddin addin(app);
  ui::ScriptedUi& ui = addin.ui;
  bench::CountingTransport& transport = addin.transport;
  send::frmSendSMS& dialog = addin.SendDialog();
  dialog.txtMsg.Text = "Dear #B#, your bill of #C# is due on #D#. Thank you.";
  dialog.txtStartRow.Text = "1";
  dialog.txtEndRow.Text = std::to_string(rows);

  const double before = CurrentRssMiB();
  for (auto _ : state) {
    ui.ClearBoxes();
    if (!dialog.SendSMS()) state.SkipWithError("the send did not complete");
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["rows_per_second"] =
      benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["body_bytes"] = static_cast<double>(transport.bytes);
  // What the send adds at its peak over the memory already in use (the sheet itself), against the
  // body.
  const double added = static_cast<double>(usage.ru_maxrss) / 1024.0 - before;
  state.counters["send_peak_MiB"] = added;
  state.counters["peak_per_body"] = added * 1048576.0 / static_cast<double>(transport.bytes);
}
BENCHMARK(BM_SendSMS)->Arg(32767)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
