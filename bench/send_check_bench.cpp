// The send check over a whole sheet in which every row has a finding of every kind: a number that
// repeats, a number too short, an empty placeholder and a message in more parts than counted.
#include <benchmark/benchmark.h>

#include <string>

#include "send/send_check.h"

namespace {

using namespace qv;

void BM_SendCheckEveryRowAFinding(benchmark::State& state) {
  const auto rows = static_cast<std::int32_t>(state.range(0));
  const std::string text = "Dear Asha, your order \xE2\x80\x99" + std::string(60, '.');
  std::size_t lines = 0;
  for (auto _ : state) {
    send::SendCheck check({"B", "C"}, true);
    check.FixedText("Dear #B#, your order \xE2\x80\x99", "the template");
    for (std::int32_t row = 2; row < rows + 2; ++row) {
      const std::string number = std::to_string(10000 + row % 1000);
      check.Cell(0, {2, row}, "Asha");
      check.Cell(1, {3, row}, "");
      check.Message(row, number, Variant(static_cast<double>(10000 + row % 1000)), text);
    }
    lines = check.Lines().size();
    benchmark::DoNotOptimize(lines);
  }
  state.counters["lines"] = static_cast<double>(lines);
}

}  // namespace

BENCHMARK(BM_SendCheckEveryRowAFinding)->Arg(32767)->Unit(benchmark::kMillisecond);
