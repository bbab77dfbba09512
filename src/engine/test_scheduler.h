#pragma once

#include "engine/host.h"
#include "engine/run_model.h"
#include "engine/test_cycle.h"
#include "engine/text_format.h"
#include "probes/probe_interfaces.h"

#include <cstdint>

namespace velnorix {

// Timer2 starts a run this long after a configuration named on the command line was loaded.
inline constexpr std::int32_t kTimer2IntervalMs = 1000;

// Starts, paces and stops test runs. The shell routes the Start Test and Stop Test commands
// and the two timers' ticks here. Handlers throw FileError when a log file cannot be
// created, opened or written; the caller shows it in its general error display.
class TestScheduler final {
public:
    TestScheduler(RunModel& model, DisplayLines& display, StatusLine& statusBar,
                  IntervalTimer& timer1, IntervalTimer& timer2, Clock& clock, HostServices& host,
                  ProbeComponents probes, FormatSettings settings);

    // Stamps the run, creates its two log files, runs the first cycle and arms Timer1.
    void StartTestRun();
    // Disarms Timer1, appends "  Test Stopped!" to the status text, lets messages run once.
    void StopTest1Click();
    void Timer1Timer();
    // The one-shot start after a configuration named on the command line was loaded.
    void Timer2Timer();
    // One cycle, then either the stop asked for during it or the re-armed Timer1; neither
    // when the program ended at one of the cycle's pump points.
    void RunTestCycle();

private:
    RunModel& m_model;
    StatusLine& m_statusBar;
    IntervalTimer& m_timer1;
    IntervalTimer& m_timer2;
    Clock& m_clock;
    HostServices& m_host;
    TestCycle m_cycle;
};

} // namespace velnorix
