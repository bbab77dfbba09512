#pragma once

#include "base/text_format.h"
#include "engine/host.h"
#include "engine/log_retention.h"
#include "engine/run_model.h"
#include "engine/scheduler_parts.h"
#include "engine/test_cycle.h"

#include <cstdint>
#include <functional>

namespace velnorix {

// The start timer starts a run this long after a configuration named on the command line was
// loaded.
inline constexpr std::int32_t kStartDelayMs = 1000;

// Starts, paces and stops test runs. The shell routes the Start Test and Stop Test commands
// and the two timers' ticks here. Handlers throw FileError when a log file cannot be
// created, opened or written; the caller shows it in its general error display.
class TestScheduler final {
public:
    explicit TestScheduler(SchedulerParts parts);

    // Stamps the run, creates its two log files, deletes logs older than the configuration
    // keeps (then again once a day), runs the first cycle and arms the cycle timer.
    void StartTestRun();
    // The Stop Test command: disarms the cycle timer, appends "  Test Stopped!" to the status text,
    // lets messages run once.
    void RequestStop();
    // The interval timer's tick: runs one test cycle (RunTestCycle).
    void OnIntervalElapsed();
    // The start timer's one tick, a second after a configuration named on the command line was
    // loaded: disarms it and starts a run.
    void OnStartDelayElapsed();
    // One cycle, then either the stop asked for during it or the re-armed cycle timer; neither
    // when the program ended at one of the cycle's pump points.
    void RunTestCycle();
    // Pause Alerts and its end: probing goes on; see TestCycle::SetAlertsPaused.
    void SetAlertsPaused(bool paused) { m_cycle.SetAlertsPaused(paused); }

private:
    [[nodiscard]] RunLogNames LogsInUse() const;

    RunModel& m_model;
    StatusLine& m_statusBar;
    IntervalTimer& m_cycleTimer;
    IntervalTimer& m_startTimer;
    Clock& m_clock;
    HostServices& m_host;
    RunObserver* m_observer;
    TestCycle m_cycle;
    LogRetention m_retention;
    std::function<void()> m_cycleEnded;
};

} // namespace velnorix
