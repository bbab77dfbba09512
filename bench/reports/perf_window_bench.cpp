// The performance window for 1,000 and 10,000 targets with ten cycles of kept probes each: the
// time from nothing to the first painted window with its chart of the summary row, the time to
// close it, and how much the resident size grew while it was open. Run one argument per process
// for a meaningful size: --benchmark_filter=BM_PerformanceWindow/10000
#include "../engine/resident_size.h"
#include "../offscreen_benchmark_main.h"
#include "engine/run_metrics.h"
#include "engine/statistics.h"
#include "kit/fake_host.h"
#include "kit/scripted_prompts.h"
#include "reports/forms/perf_form.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <memory>
#include <string>

namespace velnorix::bench {
namespace {

constexpr int kCycles = 10;

// A run over `targets` web targets, each probed once a cycle for kCycles cycles.
struct ProbedRun {
    explicit ProbedRun(std::int32_t targets) {
        Model.SetTargetCount(targets);
        for (std::int32_t i = 0; i < targets; ++i) {
            Model.Target(i).SetType("<HTML>");
            Model.Target(i).Addr = "http://host-" + std::to_string(i) + ".example.org/";
        }
        Metrics.RunStarted(Model);
        for (int cycle = 0; cycle < kCycles; ++cycle) {
            for (std::int32_t i = 0; i < targets; ++i) {
                const auto ms = static_cast<std::uint32_t>(50 + (i * 37 + cycle * 11) % 900);
                const bool failed = (i + cycle) % 25 == 0;
                Clock.Advance(1);
                RecordResult(Model, i, ms, failed);
                Metrics.ProbeRecorded(Model, i, ProbeOutcome::Of(ms, failed));
            }
        }
    }

    kit::FakeClock Clock;
    RunModel Model;
    RunMetrics Metrics{Clock};
};

// What ShowPerformanceSummary does before the window runs modally.
void BM_PerformanceWindow(benchmark::State& state) {
    const ProbedRun run(static_cast<std::int32_t>(state.range(0)));
    const LocalDateTime now{2026, 12, 6, 14, 3, 27, 0};
    const FormatSettings settings;
    kit::ScriptedPrompts prompts;
    double openMs = 0;
    double closeMs = 0;
    double growthMb = 0;
    for (auto _ : state) {
        const double before = ResidentMegabytes();
        QElapsedTimer timer;
        timer.start();
        auto form = std::make_unique<TVelnorixPerfForm>();
        form->Fill(PerformanceRows(run.Model, now, settings));
        form->SetExport(PerformanceRows(run.Model, now, settings), prompts);
        form->SetHistory(run.Metrics, run.Model);
        form->show();
        benchmark::DoNotOptimize(form->grab());
        openMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        growthMb = ResidentMegabytes() - before;
        timer.restart();
        form->DoneButtonClick();
        form.reset();
        QApplication::processEvents();
        closeMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }
    state.counters["open_ms"] = openMs;
    state.counters["close_ms"] = closeMs;
    state.counters["resident_growth_mb"] = growthMb;
}
BENCHMARK(BM_PerformanceWindow)
    ->Arg(1'000)
    ->Arg(10'000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix::bench

int main(int argc, char** argv) {
    return velnorix::bench::RunOffscreenBenchmarks(argc, argv);
}
