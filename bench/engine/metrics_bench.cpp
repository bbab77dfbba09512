// What the metrics cost the engine and a scrape: the snapshot published after every probe, and
// the exposition text a scrape of 1,000 targets renders.
#include "base/clock.h"
#include "engine/run_metrics.h"
#include "engine/statistics.h"
#include "reports/metrics_exposition.h"

#include <benchmark/benchmark.h>
#include <string>

namespace velnorix {
namespace {

RunModel TableOf(std::int32_t targets) {
    RunModel model;
    model.SetTargetCount(targets);
    for (std::int32_t i = 0; i < targets; ++i) {
        TargetSettings& entry = model.Target(i);
        entry.SetType(i % 2 == 0 ? kTagHtml : kTagPing);
        entry.Addr = "host-" + std::to_string(i) + ".example.net";
        for (const std::uint32_t ms : {120U, 80U, 5030U})
            RecordResult(model, i, ms, ms > 1000);
    }
    model.CycleCount = 3;
    return model;
}

// One probe recorded as the cycle reports it: the history kept and a fresh snapshot published.
void BM_PublishSnapshotPerProbe(benchmark::State& state) {
    const RunModel model = TableOf(static_cast<std::int32_t>(state.range(0)));
    SystemClock clock;
    MetricsBoard board;
    RunMetrics metrics(clock, &board);
    metrics.RunStarted(model);
    std::int32_t next = 0;
    for (auto _ : state) {
        metrics.ProbeRecorded(model, next, 120, false);
        next = (next + 1) % model.TargetCount();
    }
    benchmark::DoNotOptimize(board.Latest());
}
BENCHMARK(BM_PublishSnapshotPerProbe)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The text of one scrape of 1,000 targets, from the latest snapshot.
void BM_RenderMetrics(benchmark::State& state) {
    const RunModel model = TableOf(static_cast<std::int32_t>(state.range(0)));
    SystemClock clock;
    RunMetrics metrics(clock);
    metrics.RunStarted(model);
    for (std::int32_t i = 0; i < model.TargetCount(); ++i)
        metrics.ProbeRecorded(model, i, 120, i % 7 == 0);
    const MetricsSnapshot snapshot = metrics.Snapshot(model);
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderExposition(snapshot));
    state.counters["bytes"] = static_cast<double>(RenderExposition(snapshot).size());
}
BENCHMARK(BM_RenderMetrics)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velnorix

BENCHMARK_MAIN();
