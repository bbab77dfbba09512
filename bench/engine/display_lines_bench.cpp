// One cycle's result lines through the display port, for 1,000 and 10,000 targets: the block
// inserted a line at a time at one index, the previous block trimmed from the bottom, on the
// display the tests and benchmarks share and on the console's.
#include "cli/console_display.h"
#include "display_cycle.h"
#include "kit/fake_host.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace velnorix::bench {
namespace {

void MeasureCycles(benchmark::State& state, DisplayLines& display) {
    const DisplayedRun run(static_cast<std::int32_t>(state.range(0)));
    ShowTargetHeader(run.Model.Config, display);
    ShowCycleBlock(display, run); // a block to trim from the first timed cycle on
    for (auto _ : state)
        ShowCycleBlock(display, run);
    state.counters["lines_per_cycle"] = static_cast<double>(run.Lines.size() + 1);
}

void BM_KitDisplayCycle(benchmark::State& state) {
    kit::FakeDisplay display(kit::Keep::ShownOnly);
    MeasureCycles(state, display);
}
BENCHMARK(BM_KitDisplayCycle)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

void BM_ConsoleDisplayCycle(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    {
        ConsoleDisplay display(sink);
        MeasureCycles(state, display);
    }
    std::fclose(sink);
}
BENCHMARK(BM_ConsoleDisplayCycle)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
