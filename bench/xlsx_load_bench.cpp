// Loading an .xlsx of 100,000 rows by 10 columns, beside the time of merely inflating its parts.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "host/xlsx_workbook.h"
#include "host/zip_archive.h"
#include "workbook_fixture.h"

namespace {

const std::string& Fixture() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() /
                           ("qv-bench-" + std::to_string(getpid()) + ".xlsx"))
                              .string();
    qv::bench::WriteContactsWorkbook(p, 100000, 10);
    std::atexit([] { std::filesystem::remove(Fixture()); });
    return p;
  }();
  return path;
}

void BM_InflateParts(benchmark::State& state) {
  std::size_t bytes = 0;
  Fixture();
  for (auto _ : state) {
    qv::host::ZipReader zip(Fixture());
    bytes = zip.Read("xl/worksheets/sheet1.xml")->size() + zip.Read("xl/sharedStrings.xml")->size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["xml_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_InflateParts)->Unit(benchmark::kMillisecond);

void BM_LoadXlsx(benchmark::State& state) {
  for (auto _ : state) {
    auto wb = qv::host::XlsxWorkbook::Open(Fixture(), true);
    benchmark::DoNotOptimize(wb->SheetAt(1).Value(qv::host::CellRef{1, 100001}));
  }
}
BENCHMARK(BM_LoadXlsx)->Unit(benchmark::kMillisecond);

}  // namespace
