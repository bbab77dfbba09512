// What the metrics cost the engine and a scrape: the snapshot published after every probe, the
// memory a day of chart history takes when it is kept, and the exposition text a scrape of 1,000
// targets renders.
#include "base/clock.h"
#include "engine/run_metrics.h"
#include "engine/statistics.h"
#include "kit/fake_host.h"
#include "reports/metrics_exposition.h"
#include "resident_size.h"

#include <benchmark/benchmark.h>
#include <cstdint>
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
        metrics.ProbeRecorded(model, next, ProbeOutcome::Of(120));
        next = (next + 1) % model.TargetCount();
    }
    benchmark::DoNotOptimize(board.Latest());
}
BENCHMARK(BM_PublishSnapshotPerProbe)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10'000)
    ->Unit(benchmark::kMicrosecond);

// A day of cycles at a 60 s interval over 1,000 targets, published as the console does: the
// resident growth with the history limit and budget given (no budget: the console's history
// before it kept none; then the console's 0).
void BM_MetricsMemoryOverADay(benchmark::State& state) {
    const RunModel model = TableOf(1000);
    for (auto _ : state) {
        kit::FakeClock clock;
        MetricsBoard board;
        const double before = bench::ResidentMegabytes();
        {
            const auto budget = static_cast<std::size_t>(state.range(1));
            RunMetrics metrics(clock, &board, static_cast<std::size_t>(state.range(0)),
                               budget == 0 ? SIZE_MAX : budget);
            metrics.RunStarted(model);
            for (int cycle = 0; cycle < 1440; ++cycle) {
                metrics.CycleStarted(model);
                for (std::int32_t i = 0; i < model.TargetCount(); ++i)
                    metrics.ProbeRecorded(model, i, ProbeOutcome::Of(120));
                metrics.CycleEnded(model);
                clock.Advance(60'000);
            }
            state.counters["rss_growth_mb"] = bench::ResidentMegabytes() - before;
        }
    }
}
BENCHMARK(BM_MetricsMemoryOverADay)
    ->Args({RunMetrics::kDefaultHistoryLimit, 0})
    ->Args({0, RunMetrics::kDefaultHistoryBudget})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The text of one scrape of 1,000 targets, from the latest snapshot.
void BM_RenderMetrics(benchmark::State& state) {
    const RunModel model = TableOf(static_cast<std::int32_t>(state.range(0)));
    SystemClock clock;
    RunMetrics metrics(clock);
    metrics.RunStarted(model);
    for (std::int32_t i = 0; i < model.TargetCount(); ++i)
        metrics.ProbeRecorded(model, i, ProbeOutcome::Of(120, i % 7 == 0));
    const MetricsSnapshot snapshot = metrics.Snapshot(model);
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderExposition(snapshot));
    state.counters["bytes"] = static_cast<double>(RenderExposition(snapshot).size());
}
BENCHMARK(BM_RenderMetrics)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velnorix

BENCHMARK_MAIN();
