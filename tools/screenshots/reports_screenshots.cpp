// Saves pictures of the report windows, filled with a short sample run, as PNG files:
//   reports_screenshots <folder> [screen-width]
// writes perf-summary.png (the table and the run's response-time chart), log-display.png (detail
// log after Find 1st and Find Next) and log-display-summary.png. Unless QT_QPA_PLATFORM names a
// platform, the windows are drawn offscreen on a screen of the given width (1280 pixels by
// default), which decides the fonts the log display picks when it first shows.
#include "base/text_file.h"
#include "engine/result_line.h"
#include "engine/run_metrics.h"
#include "engine/statistics.h"
#include "engine/summary_log.h"
#include "kit/fake_host.h"
#include "kit/scripted_prompts.h"
#include "reports/forms/log_display_form.h"
#include "reports/forms/perf_form.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace velnorix {
namespace {

struct SampleRun {
    RunModel Model;
    std::string DetailLog;
    std::string SummaryLog;
};

// Three cycles over five targets with a few failures, the logs they wrote, and their probes as
// `metrics` keeps them for the chart.
SampleRun MakeSampleRun(kit::FakeClock& clock, RunMetrics& metrics) {
    SampleRun run;
    RunModel& model = run.Model;
    const FormatSettings settings;
    struct Target {
        const char* Type;
        const char* Addr;
        std::vector<std::uint32_t> Times; // one per cycle; 0 marks a failure after 5,020 ms
    };
    const std::vector<Target> targets = {
        {"<HTML>", "http://www.example.com/", {312, 298, 0}},
        {"<Ping>", "192.0.2.10", {12, 15, 11}},
        {"<POP3>", "mail.example.org", {145, 0, 160}},
        {"<SMTP>", "smtp.example.org", {88, 91, 95}},
        {"<Ping>", "a-very-long-host-name.branch-office.example.net", {0, 0, 0}},
    };
    model.SetTargetCount(static_cast<std::int32_t>(targets.size()));
    for (std::size_t i = 0; i < targets.size(); ++i) {
        model.Target(static_cast<std::int32_t>(i)).SetType(targets[i].Type);
        model.Target(static_cast<std::int32_t>(i)).Addr = targets[i].Addr;
    }
    const LocalDateTime start{2026, 12, 6, 14, 0, 0, 0};
    model.RunStartTime = ToDayCount(start);
    metrics.RunStarted(model);
    run.SummaryLog = SummaryLogHeader();
    for (int cycle = 1; cycle <= 3; ++cycle) {
        model.CycleCount = cycle;
        LocalDateTime now = start;
        now.Minute = (cycle - 1) * 5;
        for (std::size_t i = 0; i < targets.size(); ++i) {
            const std::uint32_t time = targets[i].Times[static_cast<std::size_t>(cycle - 1)];
            const bool failed = time == 0;
            const auto index = static_cast<std::int32_t>(i);
            RecordResult(model, index, failed ? 5020 : time, failed);
            now.Second = static_cast<int>(i) * 2;
            clock.SetTick(static_cast<std::uint32_t>((now.Minute * 60 + now.Second) * 1000) +
                          (failed ? 5020 : time));
            metrics.ProbeRecorded(model, index, ProbeOutcome::Of(failed ? 5020 : time, failed));
            run.DetailLog += ResultLine(ResultLinePrefix(cycle, now, settings), failed,
                                        failed ? 5020 : time, model.Target(index), settings) +
                             "\r\n";
        }
        run.DetailLog += "\r\n";
        run.SummaryLog += FormatSummaryBlock(model, now, settings);
    }
    return run;
}

// Points the offscreen platform at a configuration with one screen of the given width.
void UseOffscreenScreen(int width, const std::filesystem::path& folder) {
    const std::filesystem::path config = folder / "offscreen-screen.json";
    WriteNewFile(config.string(),
                 "{\"screens\": [{\"name\": \"shot\", \"x\": 0, \"y\": 0, \"width\": " +
                     std::to_string(width) + ", \"height\": " + std::to_string(width * 4 / 5) +
                     ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}");
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QByteArray(config.c_str()));
}

bool Save(QWidget& window, const QString& path) {
    const bool saved = window.grab().save(path, "PNG");
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
    return saved;
}

} // namespace
} // namespace velnorix

int main(int argc, char* argv[]) {
    using namespace velnorix;
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <folder> [screen-width]\n", argv[0]);
        return 2;
    }
    const int screenWidth = argc == 3 ? std::atoi(argv[2]) : 1280;
    const std::filesystem::path logs = std::filesystem::temp_directory_path() / "velnorix-shots";
    std::filesystem::create_directories(logs);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        UseOffscreenScreen(screenWidth > 0 ? screenWidth : 1280, logs);
    QApplication app(argc, argv);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    kit::FakeClock clock;
    RunMetrics metrics(clock);
    const SampleRun run = MakeSampleRun(clock, metrics);
    kit::ScriptedPrompts prompts;
    bool saved = true;

    TVelnorixPerfForm perf;
    perf.Fill(PerformanceRows(run.Model, {2026, 12, 6, 15, 2, 41, 0}, FormatSettings()));
    perf.SetHistory(metrics, run.Model);
    perf.show();
    saved &= Save(perf, folder.filePath(QStringLiteral("perf-summary.png")));

    const std::string detailName = (logs / "Velnorix261206140000.log").string();
    const std::string summaryName = (logs / "Velnorix261206140000.smy").string();
    WriteNewFile(detailName, run.DetailLog);
    WriteNewFile(summaryName, run.SummaryLog);

    auto detail = CreateLogDisplay(nullptr, prompts, detailName, true);
    detail->show();
    detail->findChild<QPushButton*>(QStringLiteral("btnFindFirst"))->click();
    detail->findChild<QPushButton*>(QStringLiteral("btnFindNext"))->click();
    saved &= Save(*detail, folder.filePath(QStringLiteral("log-display.png")));

    auto summary = CreateLogDisplay(nullptr, prompts, summaryName, false);
    summary->show();
    saved &= Save(*summary, folder.filePath(QStringLiteral("log-display-summary.png")));

    std::filesystem::remove_all(logs);
    return saved ? 0 : 1;
}
