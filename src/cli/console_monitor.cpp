#include "cli/console_monitor.h"

#include "alerts/alert_relay.h"
#include "alerts/test_alert.h"
#include "base/program_folders.h"
#include "base/text_file.h"
#include "cli/console_display.h"
#include "cli/console_host.h"
#include "cli/console_timer.h"
#include "cli/history_command.h"
#include "cli/metrics_server.h"
#include "cli/operator_signals.h"
#include "config/command_line.h"
#include "config/configuration_commands.h"
#include "engine/display_header.h"
#include "engine/monitor.h"
#include "engine/run_metrics.h"
#include "engine/run_observers.h"
#include "engine/test_scheduler.h"
#include "history/history_recorder.h"

#include <chrono>
#include <exception>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace velnorix {
namespace {

// How long an ending run waits for its last alerts to be delivered, and for its last cycles to
// reach the history.
constexpr std::chrono::seconds kAlertsGraceAtExit{10};
constexpr std::chrono::seconds kHistoryGraceAtExit{10};

// Milliseconds until `due` for poll(): -1 waits for a signal alone.
int PollTimeout(const std::optional<ConsoleTimer::TimePoint>& due) {
    if (!due)
        return -1;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*due - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

class ConsoleMonitor final {
public:
    ConsoleMonitor(const CliOptions& options, std::FILE* out, std::FILE* errors)
        : m_options(options), m_out(out), m_errors(errors),
          m_display(out, options.NoReasons ? nullptr : errors, &m_status),
          m_status(errors, ::isatty(::fileno(errors)) == 1), m_folders(FoldersFor(options)),
          m_host(m_folders.Logs, !options.Quiet, errors), m_prompts(errors, m_status),
          m_config(m_model, m_display, m_status, m_prompts, m_folders.Configurations),
          m_monitor({.Model = m_model,
                     .Display = m_display,
                     .StatusBar = m_status,
                     .CycleTimer = m_timer1,
                     .StartTimer = m_timer2,
                     .Clock = m_clock,
                     .Host = m_host,
                     .Format = SystemFormatSettings(),
                     .Observer = &m_observers,
                     .CycleEnded = [this] { m_alerts.CycleEnded(m_model); }}),
          m_scheduler(m_monitor.Scheduler()) {
        m_host.SetPumpHandler([this] { HandleSignals(); });
        m_host.SetCutShortQuery([this] { return m_signals.StopRepeated(); });
        if (options.Parallel)
            m_config.OverrideParallel(*options.Parallel);
    }

    int Run() {
        if (m_options.Metrics) {
            try {
                m_metricsServer =
                    std::make_unique<MetricsServer>(*m_options.Metrics, m_board, &m_history);
            } catch (const std::runtime_error& error) {
                std::fprintf(m_errors, "velnorix-cli: %s\n", error.what());
                return kExitMetricsAddress;
            }
        }
        const int loaded = LoadConfiguration();
        if (loaded != kExitOk)
            return loaded;
        try {
            MakePrivateFolder(m_folders.Logs);
            m_alerts.Configure(m_model.Config, m_model.IniFileName);
            SaySchedule();
            // The run's first cycle starts at once.
            const CycleRunning running(m_signals, m_status);
            m_scheduler.StartTestRun();
        } catch (const std::exception& error) {
            m_prompts.ShowGeneralError(error.what());
            return kExitLogFiles;
        }
        const int status = RunCycles();
        m_status.Erase();
        // The last cycle's alerts get a moment to go out, unless the operator asked twice to
        // end; what is not delivered stays in the outbox for the next start.
        if (!m_signals.StopRepeated()) {
            m_alerts.WaitIdle(kAlertsGraceAtExit);
            m_history.WaitIdle(kHistoryGraceAtExit);
        }
        if (m_model.Config.DeleteLogs)
            DeleteRunLogs(m_model.LogNames());
        return status;
    }

    int History() {
        const int loaded = LoadConfiguration();
        if (loaded != kExitOk && loaded != kExitEmptyConfig)
            return loaded;
        return PrintHistory(m_options, m_model.Config, m_folders.Logs, m_clock.SecondsSinceEpoch(),
                            m_out, m_errors);
    }

    // Sends the test message on every channel and prints each channel's answer.
    int TestAlert() {
        const int loaded = LoadConfiguration();
        if (loaded != kExitOk && loaded != kExitEmptyConfig)
            return loaded;
        const std::vector<TestAlertOutcome> outcomes =
            SendTestAlert(m_model.Config, m_model.IniFileName, m_clock);
        if (outcomes.empty()) {
            std::fputs("No alert channel is set in the [Alerts] section\n", m_errors);
            return kExitAlertUndelivered;
        }
        bool delivered = true;
        for (const TestAlertOutcome& outcome : outcomes) {
            std::fprintf(m_errors, "%s\n", OutcomeLine(outcome).c_str());
            delivered = delivered && outcome.Result.Delivered;
        }
        return delivered ? kExitOk : kExitAlertUndelivered;
    }

private:
    int LoadConfiguration() {
        try {
            if (!m_config.LoadFromCommandLine({m_options.ConfigFile})) {
                SayWhereConfigurationsAre();
                return kExitMissingConfig;
            }
        } catch (const std::exception& error) {
            m_prompts.ShowGeneralError(error.what());
            return kExitBadConfig;
        }
        return m_model.TargetCount() > 0 ? kExitOk : kExitEmptyConfig;
    }

    int RunCycles() {
        while (!CycleBudgetSpent()) {
            if (m_model.StopRequested && !m_timer1.Enabled())
                return kExitOk;
            if (!m_timer1.Enabled()) {
                // A log that could not be written halted the run; nothing here can restart it.
                return kExitLogFiles;
            }
            const auto due = m_timer1.Due();
            // An interval of 0 never ticks: with a cycle budget the cycles follow each other at
            // once, without one the run waits for a stop.
            const bool backToBack = !due && m_options.Cycles.has_value();
            pollfd wake{m_signals.WakeDescriptor(), POLLIN, 0};
            const int ready = ::poll(&wake, 1, backToBack ? 0 : PollTimeout(due));
            if (ready > 0) {
                HandleSignals();
                continue;
            }
            if (backToBack || (due && std::chrono::steady_clock::now() >= *due)) {
                m_timer1.Restart();
                try {
                    const CycleRunning running(m_signals, m_status);
                    m_scheduler.RunTestCycle();
                } catch (const std::exception& error) {
                    m_prompts.ShowGeneralError(error.what());
                }
            }
        }
        return kExitOk;
    }

    // What the run will do, before it does it: a file that sets only some interval keys runs
    // on the defaults of the others, and a missing DeleteLogs deletes the logs at exit.
    void SaySchedule() const {
        const std::string every = ScheduleWording(
            m_model.Config.IntervalHours, m_model.Config.IntervalMins, m_model.Config.IntervalSecs);
        std::string schedule =
            every.empty()
                ? (m_options.Cycles ? "Cycles back to back" : "One cycle, then waiting for a stop")
                : "Every " + every;
        if (m_options.Cycles)
            schedule += ", " + std::to_string(*m_options.Cycles) + " in all";
        std::fprintf(m_errors, "%s; logs in %s; %s at exit\n", schedule.c_str(),
                     m_folders.Logs.c_str(), m_model.Config.DeleteLogs ? "deleted" : "kept");
        std::fflush(m_errors);
    }

    void SayWhereConfigurationsAre() const {
        const auto tried =
            ConfigurationFileFromArguments({m_options.ConfigFile}, m_folders.Configurations);
        std::fprintf(m_errors,
                     "velnorix-cli: no configuration file %s (a name without a folder "
                     "is looked up in %s)\n",
                     tried.value_or(m_options.ConfigFile).c_str(),
                     m_folders.Configurations.c_str());
    }

    // Marks a cycle in progress for the stop signals' notice.
    class CycleRunning final {
    public:
        CycleRunning(OperatorSignals& signals, const ConsoleStatus& status) : m_signals(signals) {
            m_signals.SetCycleRunning(true, status.OnTerminal());
        }
        ~CycleRunning() { m_signals.SetCycleRunning(false, false); }
        CycleRunning(const CycleRunning&) = delete;
        CycleRunning& operator=(const CycleRunning&) = delete;

    private:
        OperatorSignals& m_signals;
    };

    bool CycleBudgetSpent() const {
        return m_options.Cycles && m_model.CycleCount >= *m_options.Cycles;
    }

    // Takes what the operator's signals asked for: a pause first, so a stop that came with it
    // ends a run whose event log says so.
    void HandleSignals() {
        if (const std::optional<bool> pause = m_signals.TakePauseRequest()) {
            m_scheduler.SetAlertsPaused(*pause);
            m_prompts.ShowInformation(*pause ? "Alerts paused until SIGUSR2" : "Alerts resumed");
        }
        if (m_signals.TakeStopRequest())
            m_scheduler.RequestStop();
    }

    static ProgramFolders FoldersFor(const CliOptions& options) {
        ProgramFolders folders =
            ProgramFoldersFor(ExecutableDirectory(), UserFolderVariablesFromEnvironment());
        if (options.LogDir)
            folders.Logs = *options.LogDir;
        return folders;
    }

    const CliOptions& m_options;
    std::FILE* m_out;
    std::FILE* m_errors;
    RunModel m_model;
    ConsoleDisplay m_display;
    ConsoleStatus m_status;
    ConsoleTimer m_timer1; // the interval timer: the loop above runs a cycle when it is due
    ConsoleTimer m_timer2; // the start timer; the console starts its run at once instead
    SystemClock m_clock;
    ProgramFolders m_folders;
    ConsoleHost m_host;
    ConsolePrompts m_prompts;
    OperatorSignals m_signals;
    ConfigurationCommands m_config;
    MetricsBoard m_board;
    // The console draws no chart, so it keeps no history.
    RunMetrics m_metrics{m_clock, &m_board, 0};
    AlertRelay m_alerts{m_clock, m_folders.Logs};
    HistoryRecorder m_history{m_clock, m_folders.Logs, [this](const std::string& trouble) {
                                  std::fprintf(m_errors, "velnorix-cli: %s\n", trouble.c_str());
                              }};
    RunObservers m_observers{m_options.Metrics ? &m_metrics : nullptr, &m_history};
    Monitor m_monitor;
    TestScheduler& m_scheduler;
    // Last, so it stops serving before anything it reads goes away.
    std::unique_ptr<MetricsServer> m_metricsServer;
};

} // namespace

int RunConsoleMonitor(const CliOptions& options, std::FILE* out, std::FILE* errors) {
    ConsoleMonitor monitor(options, out, errors);
    if (options.TestAlert)
        return monitor.TestAlert();
    return options.History ? monitor.History() : monitor.Run();
}

} // namespace velnorix
