#include "base/text_file.h"
#include "engine/statistics.h"
#include "engine/summary_log.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace velnorix {
namespace {

RunModel TableOf(int targets) {
    RunModel model;
    model.SetTargetCount(targets);
    for (int i = 0; i < targets; ++i) {
        TargetSettings& entry = model.Target(i);
        entry.SetType(i % 2 == 0 ? kTagHtml : kTagPing);
        entry.Addr = "host-" + std::to_string(i) + ".example.net";
        for (std::uint32_t ms : {120u, 80u, 5030u})
            RecordResult(model, i, ms + static_cast<std::uint32_t>(i), ms > 1000);
    }
    model.CycleCount = 3;
    return model;
}

void BM_RecordResult(benchmark::State& state) {
    RunModel model = TableOf(1);
    std::uint32_t ms = 0;
    for (auto _ : state) {
        ++ms;
        RecordResult(model, 0, ms % 4000, (ms & 7) == 0);
        benchmark::DoNotOptimize(model.Statistics[0]);
    }
}
BENCHMARK(BM_RecordResult);

// One cycle's block for a large table, appended to a real file as the cycle does it.
void BM_WriteSummary(benchmark::State& state) {
    RunModel model = TableOf(static_cast<int>(state.range(0)));
    char path[] = "/tmp/velnorix-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    ::close(fd);
    model.SummaryLogName = path;
    const FormatSettings settings;
    const LocalDateTime now{2026, 12, 7, 12, 0, 0, 0};
    for (auto _ : state) {
        WriteSummary(model, now, settings);
        state.PauseTiming();
        WriteNewFile(path, ""); // keep the file small so the disk is not what is measured
        state.ResumeTiming();
    }
    std::remove(path);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WriteSummary)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velnorix

BENCHMARK_MAIN();
