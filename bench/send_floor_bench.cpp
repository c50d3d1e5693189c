// The speed goal of a whole-sheet send: `quorvalent send` of 32,767 rows x 6 columns to a server
// that answers "000" at once, beside the floor of merely inflating the same workbook's sheet and
// shared strings (`unzip -p`, a process too), run alternately, seven of each. Reports the medians
// and their ratio; the goal is a ratio of 1.5 or less.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "support/loopback_server.h"
#include "support/process.h"
#include "workbook_fixture.h"

namespace {

constexpr int kRows = 32767;
constexpr int kRuns = 7;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

template <typename F>
double Milliseconds(F&& run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

void BM_SendAgainstInflateFloor(benchmark::State& state) {
  const auto dir =
      std::filesystem::temp_directory_path() / ("qv-bench-floor-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string workbook = (dir / "contacts.xlsx").string();
  const std::size_t sheetBytes = qv::bench::WriteContactsWorkbook(workbook, kRows, 6);
  qv::testing::LoopbackServer server("000");
  const std::string unzip =
      "unzip -p '" + workbook + "' xl/worksheets/sheet1.xml xl/sharedStrings.xml > /dev/null";
  for (auto _ : state) {
    std::vector<double> floor, send;
    for (int i = 0; i < kRuns; ++i) {
      floor.push_back(Milliseconds([&] {
        if (std::system(unzip.c_str()) != 0) state.SkipWithError("unzip failed");
      }));
      send.push_back(Milliseconds([&] {
        const auto r = qv::testing::RunProgram(
            QV_CLI_BINARY,
            {"--yes", "send", workbook, "--mobile-column", "A", "--start-row", "2", "--end-row",
             std::to_string(kRows + 1), "--message", "Dear #B#, #C# is due on #D# at #E#."},
            {{"XDG_CONFIG_HOME", (dir / "config").string()},
             {"QUORVALENT_SERVER", "127.0.0.1:" + std::to_string(server.Port())},
             {"QUORVALENT_USER", "bench"},
             {"QUORVALENT_PASSWORD", "pw"}},
            120);
        if (r.status != 0 ||
            r.out.find(std::to_string(kRows) + " SMS Messages Sent") == std::string::npos) {
          state.SkipWithError(r.out.c_str());
        }
      }));
    }
    state.counters["floor_ms"] = Median(floor);
    state.counters["send_ms"] = Median(send);
    state.counters["ratio"] = Median(send) / Median(floor);
  }
  state.counters["sheet_MB"] = static_cast<double>(sheetBytes) / 1e6;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SendAgainstInflateFloor)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
