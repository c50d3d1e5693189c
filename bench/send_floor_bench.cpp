// The speed goal of a whole-sheet send: `quorvalent send` of 32,767 rows x 6 columns to a server
// that answers "000" at once, beside the floor of merely inflating the same workbook's sheet and
// shared strings (`unzip -p`, a process too), run alternately, seven of each. Reports the medians
// and their ratio; the goal is a ratio of 1.5 or less. Then one more send under /usr/bin/time for
// its peak memory beside the sheet's XML (the goal: no more than twice the XML), and the same
// request built by a short openpyxl script (openpyxl_send.py; the goal: 25 times slower or more).
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
  const std::string address = "127.0.0.1:" + std::to_string(server.Port());
  const auto Send = [&](std::vector<std::string> command) {
    return qv::bench::RunSend(state, workbook, kRows, address, dir / "config", std::move(command));
  };
  for (auto _ : state) {
    std::vector<double> floor, send;
    for (int i = 0; i < kRuns; ++i) {
      floor.push_back(Milliseconds([&] {
        if (std::system(unzip.c_str()) != 0) state.SkipWithError("unzip failed");
      }));
      send.push_back(Milliseconds([&] { Send({}); }));
    }
    state.counters["floor_ms"] = Median(floor);
    state.counters["send_ms"] = Median(send);
    state.counters["ratio"] = Median(send) / Median(floor);
  }
  state.counters["sheet_MB"] = static_cast<double>(sheetBytes) / 1e6;
  // The kilobytes are the last line of what the send wrote.
  const std::string timed = Send({"/usr/bin/time", "-f", "%M"});
  const auto line = timed.find_last_of('\n', timed.size() - 2);
  state.counters["peak_rss_MB"] = std::stod(timed.substr(line + 1)) * 1024 / 1e6;
  const double script = Milliseconds([&] {
    const auto r = qv::testing::RunProgram("/usr/bin/python3",
                                           {"-W", "ignore", QV_OPENPYXL_SEND, workbook,
                                            std::to_string(kRows), std::to_string(server.Port())},
                                           {}, 120);
    if (r.out.find(std::to_string(kRows) + " SMS Messages Sent") == std::string::npos)
      state.SkipWithError(r.out.c_str());
  });
  state.counters["openpyxl_ms"] = script;
  state.counters["openpyxl_over_send"] = script / state.counters["send_ms"];
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SendAgainstInflateFloor)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
