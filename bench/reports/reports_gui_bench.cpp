// The report windows on the offscreen platform: opening, searching and scrolling a 100 MB
// detail log, and opening the performance window for 1,000 targets. Each figure includes the
// painting that makes the result visible.
#include "../offscreen_benchmark_main.h"
#include "base/text_file.h"
#include "engine/statistics.h"
#include "kit/scripted_prompts.h"
#include "reports/forms/log_display_form.h"
#include "reports/forms/log_view.h"
#include "reports/forms/perf_form.h"
#include "reports/forms/response_chart.h"
#include "sample_detail_log.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <unistd.h>

namespace velnorix {
namespace {

// The 100 MB log as a file, written once for every benchmark and removed at exit.
const std::string& HundredMegabyteFile() {
    static const std::string path = [] {
        char name[] = "/tmp/velnorix-bench-XXXXXX";
        ::close(::mkstemp(name));
        WriteNewFile(name, bench::SampleDetailLog(bench::kHundredMegabytes));
        std::atexit([] { std::remove(HundredMegabyteFile().c_str()); });
        return std::string(name);
    }();
    return path;
}

QPushButton& Button(QWidget& form, const char* name) {
    return *form.findChild<QPushButton*>(QString::fromLatin1(name));
}

// ShowLogFile up to the first painted window: read, split, build, show, paint.
void BM_OpenHundredMegabyteLog(benchmark::State& state) {
    kit::ScriptedPrompts prompts;
    const std::string& file = HundredMegabyteFile();
    for (auto _ : state) {
        auto form = CreateLogDisplay(nullptr, prompts, file, true);
        form->show();
        benchmark::DoNotOptimize(form->grab());
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenHundredMegabyteLog)->Unit(benchmark::kMillisecond)->Iterations(5);

class OpenLog final {
public:
    OpenLog() : m_form(CreateLogDisplay(nullptr, m_prompts, HundredMegabyteFile(), true)) {
        m_form->show();
        benchmark::DoNotOptimize(m_form->grab());
    }
    TVelnorixLogDispForm& Form() { return *m_form; }
    LogView& View() { return m_form->LogDisp(); }
    kit::ScriptedPrompts& Prompts() { return m_prompts; }

private:
    kit::ScriptedPrompts m_prompts;
    std::unique_ptr<TVelnorixLogDispForm> m_form;
};

// One click of Find Next Failure with the repaint that shows the selection.
void BM_FindNextFailureClick(benchmark::State& state) {
    OpenLog log;
    Button(log.Form(), "btnFindFirst").click();
    for (auto _ : state) {
        Button(log.Form(), "btnFindNext").click();
        benchmark::DoNotOptimize(log.View().viewport()->grab());
        if (!log.Prompts().Boxes().empty()) {
            log.Prompts().Clear();
            Button(log.Form(), "btnFindFirst").click();
        }
    }
}
BENCHMARK(BM_FindNextFailureClick)->Unit(benchmark::kMillisecond);

// Find Last Failure: from the end of 1.4 million lines.
void BM_FindLastFailureClick(benchmark::State& state) {
    OpenLog log;
    for (auto _ : state) {
        Button(log.Form(), "btnFindLast").click();
        benchmark::DoNotOptimize(log.View().viewport()->grab());
    }
}
BENCHMARK(BM_FindLastFailureClick)->Unit(benchmark::kMillisecond);

// Scrolling through the log by `state.range(0)` lines per step, painted each time.
void BM_ScrollAndPaint(benchmark::State& state) {
    OpenLog log;
    QScrollBar& bar = *log.View().verticalScrollBar();
    const auto step = static_cast<int>(state.range(0));
    for (auto _ : state) {
        bar.setValue(bar.value() + step >= bar.maximum() ? 0 : bar.value() + step);
        benchmark::DoNotOptimize(log.View().viewport()->grab());
    }
}
BENCHMARK(BM_ScrollAndPaint)->Arg(1)->Arg(30)->Arg(500'000)->Unit(benchmark::kMillisecond);

// Summary1Click up to the first painted window, for `state.range(0)` targets.
void BM_OpenPerformanceSummary(benchmark::State& state) {
    const RunModel model = bench::TestedTable(static_cast<std::int32_t>(state.range(0)));
    const LocalDateTime now{2026, 12, 6, 14, 3, 27, 0};
    const FormatSettings settings;
    for (auto _ : state) {
        TVelnorixPerfForm form;
        form.Fill(PerformanceRows(model, now, settings));
        form.show();
        benchmark::DoNotOptimize(form.grab());
    }
}
BENCHMARK(BM_OpenPerformanceSummary)->Arg(20)->Arg(1000)->Unit(benchmark::kMillisecond);

// The chart of one target's full history, 10,000 probes a minute apart with every tenth a
// failure, from nothing to the first painted picture.
void BM_FirstChartPaint(benchmark::State& state) {
    std::deque<ProbeSample> probes;
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(state.range(0)); ++i)
        probes.push_back({i * 60'000, 100 + (i * 37) % 900, i % 10 == 0});
    for (auto _ : state) {
        ResponseChart chart;
        chart.resize(731, 330);
        chart.Show({{QStringLiteral("http://web.example.net/"), &probes}});
        chart.show();
        benchmark::DoNotOptimize(chart.grab());
    }
}
BENCHMARK(BM_FirstChartPaint)->Arg(10'000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix

int main(int argc, char** argv) {
    return velnorix::bench::RunOffscreenBenchmarks(argc, argv);
}
