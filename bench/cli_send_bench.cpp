// `quorvalent send` of a 32,767-row, 6-column workbook to a loopback gateway, as one process from
// start to "000", beside the time of merely inflating the workbook's sheet and shared strings.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "host/zip_archive.h"
#include "support/gateway_process.h"
#include "workbook_fixture.h"

namespace {

constexpr int kRows = 32767;

struct Setup {
  std::filesystem::path dir;
  std::string workbook;
  std::size_t sheetBytes = 0;
  qv::testing::GatewayProcess gateway;
  Setup() {
    dir = std::filesystem::temp_directory_path() / ("qv-bench-cli-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    workbook = (dir / "contacts.xlsx").string();
    sheetBytes = qv::bench::WriteContactsWorkbook(workbook, kRows, 6);
    gateway.Admin({"account", "add", "bench", "--password", "pw", "--credits", "1000000000"});
  }
  ~Setup() { std::filesystem::remove_all(dir); }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void BM_InflateSendWorkbook(benchmark::State& state) {
  Setup& s = Shared();
  for (auto _ : state) {
    qv::host::ZipReader zip(s.workbook);
    benchmark::DoNotOptimize(zip.Read("xl/worksheets/sheet1.xml")->size() +
                             zip.Read("xl/sharedStrings.xml")->size());
  }
  state.counters["sheet_MB"] = static_cast<double>(s.sheetBytes) / 1e6;
}
BENCHMARK(BM_InflateSendWorkbook)->Unit(benchmark::kMillisecond);

void BM_CliSend(benchmark::State& state) {
  Setup& s = Shared();
  for (auto _ : state) {
    qv::bench::RunSend(state, s.workbook, kRows, s.gateway.Address(), s.dir / "config");
  }
  state.counters["rows"] = kRows;
}
BENCHMARK(BM_CliSend)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
