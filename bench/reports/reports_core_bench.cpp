// The logic behind the log display and the performance window at the sizes of long runs.
#include "base/text_file.h"
#include "engine/statistics.h"
#include "reports/failure_search.h"
#include "reports/log_files.h"
#include "reports/performance_rows.h"
#include "sample_detail_log.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

namespace velnorix {
namespace {

const std::string& HundredMegabyteLog() {
    static const std::string log = bench::SampleDetailLog(bench::kHundredMegabytes);
    return log;
}

const LogText& HundredMegabyteText() {
    static const LogText text(HundredMegabyteLog());
    return text;
}

void BM_SplitHundredMegabyteLog(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string bytes = HundredMegabyteLog();
        state.ResumeTiming();
        LogText text(std::move(bytes));
        benchmark::DoNotOptimize(text.LineCount());
        state.PauseTiming();
        { const LogText released = std::move(text); }
        state.ResumeTiming();
    }
    state.counters["lines"] = HundredMegabyteText().LineCount();
    state.counters["failure lines"] =
        static_cast<double>(HundredMegabyteText().FailureLines().size());
}
BENCHMARK(BM_SplitHundredMegabyteLog)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadHundredMegabyteFile(benchmark::State& state) {
    char path[] = "/tmp/velnorix-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    ::close(fd);
    WriteNewFile(path, HundredMegabyteLog());
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadLogFile(path).size());
    std::remove(path);
}
BENCHMARK(BM_ReadHundredMegabyteFile)->Unit(benchmark::kMillisecond)->Iterations(5);

// Find Next from each failure to the following one, through the whole log.
void BM_FindNextFailure(benchmark::State& state) {
    const LogText& text = HundredMegabyteText();
    TextPosition caret;
    for (auto _ : state) {
        std::optional<TextSelection> found = FindFailureForward(text, caret);
        if (!found)
            found = FindFailureForward(text, {});
        caret = found->Caret;
        benchmark::DoNotOptimize(caret);
    }
}
BENCHMARK(BM_FindNextFailure);

// The longest answer: backward from the start of the last line with a failure before it far up.
void BM_FindNoFailureLeft(benchmark::State& state) {
    const LogText& text = HundredMegabyteText();
    const TextPosition afterLast = text.End();
    for (auto _ : state)
        benchmark::DoNotOptimize(FindFailureForward(text, afterLast));
}
BENCHMARK(BM_FindNoFailureLeft);

void BM_PerformanceRows(benchmark::State& state) {
    const RunModel model = bench::TestedTable(static_cast<std::int32_t>(state.range(0)));
    const LocalDateTime now{2026, 12, 6, 14, 3, 27, 0};
    const FormatSettings settings;
    for (auto _ : state)
        benchmark::DoNotOptimize(PerformanceRows(model, now, settings));
}
BENCHMARK(BM_PerformanceRows)->Arg(20)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace velnorix

BENCHMARK_MAIN();
