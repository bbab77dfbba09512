#include "engine/test_scheduler.h"

#include "base/date_time.h"
#include "base/text_file.h"
#include "engine/run_log_names.h"
#include "engine/summary_log.h"
#include "engine/timer_interval.h"

#include <utility>

namespace velnorix {

TestScheduler::TestScheduler(SchedulerParts parts)
    : m_model(parts.Model), m_statusBar(parts.StatusBar), m_cycleTimer(parts.CycleTimer),
      m_startTimer(parts.StartTimer), m_clock(parts.Clock), m_host(parts.Host),
      m_observer(parts.Observer), m_cycle(parts), m_retention(parts.Clock),
      m_cycleEnded(std::move(parts.CycleEnded)) {}

void TestScheduler::StartTestRun() {
    // A start during a run replaces it: no tick of the old run may reach the new files, and
    // a start that fails leaves no timer armed.
    m_cycleTimer.SetEnabled(false);
    m_model.CycleCount = 0;
    m_model.StopRequested = false;

    RunLogs logs = CreateRunLogs(m_host.LogDirectory(), m_clock, SummaryLogHeader());
    m_model.RunStartTime = ToDayCount(logs.Start);
    m_model.SummaryLogName = std::move(logs.Names.Summary);
    m_model.DetailLogName = std::move(logs.Names.Detail);
    m_model.EventLogName = std::move(logs.Names.Events);
    m_retention.RunStarted(m_host.LogDirectory(), m_model.Config.KeepLogDays, LogsInUse());
    if (m_observer != nullptr)
        m_observer->RunStarted(m_model);

    RunTestCycle();
    if (!m_model.StopRequested && !m_host.ProgramEnded()) {
        m_cycleTimer.SetInterval(TimerIntervalMs(m_model.Config.IntervalHours,
                                                 m_model.Config.IntervalMins,
                                                 m_model.Config.IntervalSecs));
        m_cycleTimer.SetEnabled(true);
    }
}

RunLogNames TestScheduler::LogsInUse() const {
    return m_model.LogNames();
}

void TestScheduler::RequestStop() {
    m_cycleTimer.SetEnabled(false);
    m_statusBar.SetText(m_statusBar.Text() + "  Test Stopped!");
    m_model.StopRequested = true;
    m_host.PumpMessages();
}

void TestScheduler::OnIntervalElapsed() {
    RunTestCycle();
}

void TestScheduler::OnStartDelayElapsed() {
    m_startTimer.SetEnabled(false);
    StartTestRun();
}

void TestScheduler::RunTestCycle() {
    m_cycle.Run();
    if (m_host.ProgramEnded())
        return;
    m_retention.CycleEnded(m_host.LogDirectory(), m_model.Config.KeepLogDays, LogsInUse());
    if (m_cycleEnded)
        m_cycleEnded();
    if (m_model.StopRequested)
        RequestStop();
    else
        m_cycleTimer.SetEnabled(true);
}

} // namespace velnorix
