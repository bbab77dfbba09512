// The main window's display at the end of a cycle over 1,000 and 10,000 targets:
//   BM_WindowDisplayCycle  one cycle's block inserted and the previous one trimmed on the
//                          window's text view, up to the painted view.
//   BM_WindowCycleEnd      the whole window probing instant targets, one cycle an interval:
//                          the longest the event loop goes unserved during a cycle (its end,
//                          where the block is drawn and trimmed) and the resident size after
//                          four cycles. Run one argument per process for a meaningful size:
//                          --benchmark_filter=BM_WindowCycleEnd/10000
#include "../engine/display_cycle.h"
#include "../engine/instant_probes.h"
#include "../engine/resident_size.h"
#include "../offscreen_benchmark_main.h"
#include "app/main_form.h"
#include "app/qt_interval_timer.h"
#include "app/text_display.h"
#include "base/text_file.h"
#include "config/ini_values.h"
#include "kit/scripted_prompts.h"
#include "stall_meter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace velnorix::bench {
namespace {

void BM_WindowDisplayCycle(benchmark::State& state) {
    const DisplayedRun run(static_cast<std::int32_t>(state.range(0)));
    TextDisplay display;
    display.resize(800, 600);
    display.show();
    ShowTargetHeader(run.Model.Config, display);
    ShowCycleBlock(display, run);
    for (auto _ : state) {
        ShowCycleBlock(display, run);
        benchmark::DoNotOptimize(display.viewport()->grab());
    }
}
BENCHMARK(BM_WindowDisplayCycle)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

std::string PingTargets(int targets) {
    std::string ini = "[Targets]\r\nDeleteLogs=TRUE\r\nIntervalHours=0\r\nIntervalMins=0\r\n"
                      "IntervalSecs=1\r\nCount=" +
                      std::to_string(targets) + "\r\n";
    for (int n = 1; n <= targets; ++n) {
        const std::string prefix = EntryPrefix(n);
        ini += prefix + "Type=<Ping>\r\n" + prefix + "Addr=host-" + std::to_string(n) +
               ".example.net\r\n" + prefix + "Audible=FALSE\r\n" + prefix + "Port=0\r\n";
    }
    return ini;
}

void BM_WindowCycleEnd(benchmark::State& state) {
    std::string folder = (std::filesystem::temp_directory_path() / "velnorix-cycle-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    WriteNewFile(folder + "/watch.ini", PingTargets(static_cast<int>(state.range(0))));
    InstantProbes probes;
    kit::ScriptedPrompts prompts;
    MainFormSetup setup;
    setup.Folders = FoldersBeside(folder);
    setup.Prompts = &prompts;
    setup.Probes.emplace(probes.Components());
    setup.Arguments = {"watch.ini"};
    TMainForm form(std::move(setup));
    form.Timer2().SetEnabled(false);
    form.show();
    QApplication::processEvents();
    form.StartTest1Click(); // the first cycle; the interval timer brings the others

    StallMeter meter;
    double longest = 0;
    for (auto _ : state) {
        for (int cycle = 0; cycle < 3; ++cycle) {
            const std::int64_t next = form.Model().CycleCount + 1;
            meter.Start();
            QElapsedTimer spent;
            spent.start();
            while (form.Model().CycleCount < next)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            QApplication::processEvents();
            meter.Stop();
            longest = std::max(longest, meter.LongestMs());
        }
    }
    state.counters["longest_stall_ms"] = longest;
    state.counters["resident_mb"] = ResidentMegabytes();
    if (!prompts.Boxes().empty())
        state.SkipWithError(("a message came up: " + prompts.Boxes().front().Text).c_str());
    form.close();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WindowCycleEnd)->Arg(1'000)->Arg(10'000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace velnorix::bench

int main(int argc, char** argv) {
    return velnorix::bench::RunOffscreenBenchmarks(argc, argv);
}
