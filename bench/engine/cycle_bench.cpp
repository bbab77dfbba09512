#include "base/text_file.h"
#include "engine/display_header.h"
#include "engine/monitor.h"
#include "engine/run_log_names.h"
#include "engine/run_model.h"
#include "instant_probes.h"
#include "kit/fake_host.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace velnorix::bench {
namespace {

// A run over `targets` instant targets of all four types, its logs in a fresh directory. With
// `states` the state keys are set as an operator of a large table would set them: three
// failures to confirm, two answers to recover, a Slow bound, every ten targets behind the first
// of them, and one ping in seven failing, so states change and children meet down parents.
class BenchRun final {
public:
    explicit BenchRun(int targets, bool logsToNull, bool states = false)
        : m_directory(MakeDirectory()), m_logsToNull(logsToNull) {
        m_host.SetLogDirectory(m_directory);
        m_clock.SetStep(1); // each reading a millisecond later, so probes take time
        static constexpr std::string_view kTags[] = {kTagPing, kTagHtml, kTagPop3, kTagSmtp};
        m_model.SetTargetCount(targets);
        for (int i = 0; i < targets; ++i) {
            TargetSettings& entry = m_model.Target(i);
            entry.SetType(kTags[i % 4]);
            entry.Addr = "host-" + std::to_string(i) + ".example.net";
            if (states && i % 10 != 0)
                entry.Parent = i / 10 * 10 + 1;
        }
        if (states) {
            m_model.Config.FailAfter = 3;
            m_model.Config.RecoverAfter = 2;
            m_model.Config.SlowMs = 2;
            m_probes.FailEchoesEvery(7);
        }
        ShowTargetHeader(m_model.Config, m_display);
        Restart();
    }
    ~BenchRun() { std::filesystem::remove_all(m_directory); }
    BenchRun(const BenchRun&) = delete;
    BenchRun& operator=(const BenchRun&) = delete;

    // The clock stands still, so a new run takes the same names once the old logs are gone;
    // deleting them keeps the disk use bounded.
    void Restart() {
        DeleteRunLogs(m_logNames);
        m_scheduler.StartTestRun();
        m_logNames = m_model.LogNames();
        if (m_logsToNull) {
            m_model.DetailLogName = "/dev/null";
            m_model.SummaryLogName = "/dev/null";
            m_model.EventLogName = "/dev/null";
        }
    }
    void Cycle() { m_scheduler.OnIntervalElapsed(); }
    [[nodiscard]] const RunModel& Model() const { return m_model; }

private:
    static std::string MakeDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velnorix-bench-XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        return pattern;
    }

    std::string m_directory;
    RunModel m_model;
    kit::FakeDisplay m_display{kit::Keep::ShownOnly};
    kit::FakeStatusLine m_status{kit::Keep::ShownOnly};
    kit::FakeTimer m_timer1;
    kit::FakeTimer m_timer2;
    kit::FakeClock m_clock;
    kit::FakeHost m_host;
    InstantProbes m_probes;
    bool m_logsToNull;
    RunLogNames m_logNames;
    Monitor m_monitor{{.Model = m_model,
                       .Display = m_display,
                       .StatusBar = m_status,
                       .CycleTimer = m_timer1,
                       .StartTimer = m_timer2,
                       .Clock = m_clock,
                       .Host = m_host,
                       .Probes = m_probes.Components(),
                       .Format = FormatSettings{}}};
    TestScheduler& m_scheduler = m_monitor.Scheduler();
};

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// One cycle per iteration, with real log files; the second argument is the number of cycles
// already shown before timing starts, the third 1 for the state keys set (see BenchRun).
void BM_CycleOverheadPerTarget(benchmark::State& state) {
    const auto targets = static_cast<int>(state.range(0));
    BenchRun run(targets, false, state.range(2) != 0);
    for (std::int64_t i = 0; i < state.range(1); ++i)
        run.Cycle();
    std::int64_t sinceRestart = 0;
    for (auto _ : state) {
        run.Cycle();
        if (++sinceRestart == 256) {
            state.PauseTiming();
            run.Restart();
            sinceRestart = 0;
            state.ResumeTiming();
        }
    }
    // CPU time per target, printed with an SI prefix ("5.9u" is 5.9 microseconds).
    state.counters["time_per_target"] = benchmark::Counter(
        static_cast<double>(targets),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CycleOverheadPerTarget)
    ->Args({10, 0, 0})
    ->Args({100, 0, 0})
    ->Args({1000, 0, 0})
    ->Args({100, 10'000, 0})
    ->Args({10'000, 0, 0})
    ->Args({10'000, 0, 1})
    ->Unit(benchmark::kMicrosecond);

// Resident memory after 100 and after 10,000 cycles of 100 targets.
void BM_ResidentMemoryOverCycles(benchmark::State& state) {
    for (auto _ : state) {
        BenchRun run(100, true);
        for (int i = 1; i < 100; ++i)
            run.Cycle();
        const long after100 = ResidentKilobytes();
        for (int i = 100; i < 10'000; ++i)
            run.Cycle();
        const long after10000 = ResidentKilobytes();
        benchmark::DoNotOptimize(run.Model().CycleCount);
        state.counters["rss_kb_after_100_cycles"] = static_cast<double>(after100);
        state.counters["rss_kb_after_10000_cycles"] = static_cast<double>(after10000);
    }
}
BENCHMARK(BM_ResidentMemoryOverCycles)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
