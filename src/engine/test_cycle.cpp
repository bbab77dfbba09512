#include "engine/test_cycle.h"

#include "base/date_time.h"
#include "engine/display_blocks.h"
#include "engine/result_line.h"
#include "engine/statistics.h"
#include "engine/summary_log.h"
#include "engine/target_probe.h"

#include <string>
#include <utility>

namespace velnorix {

TestCycle::TestCycle(RunModel& model, DisplayLines& display, StatusLine& statusBar,
                     IntervalTimer& timer1, Clock& clock, HostServices& host,
                     ProbeComponents probes, FormatSettings settings, RunObserver* observer)
    : m_model(model), m_display(display), m_statusBar(statusBar), m_timer1(timer1), m_clock(clock),
      m_host(host), m_probes(probes), m_settings(std::move(settings)), m_observer(observer) {}

void TestCycle::Run() {
    m_host.PumpMessages();
    if (m_host.ProgramEnded())
        return;
    ++m_model.CycleCount;
    if (m_observer != nullptr)
        m_observer->CycleStarted(m_model);
    AppendingFile detailLog(m_model.DetailLogName);
    const bool timerWasEnabled = m_timer1.Enabled();
    m_timer1.SetEnabled(false);
    try {
        ProbeTargets(detailLog);
        detailLog.Write(kLineEnd);
        detailLog.Close();
    } catch (const FileError&) {
        m_timer1.SetEnabled(timerWasEnabled);
        throw;
    }
    const LocalDateTime now = m_clock.Now();
    ShowCycleCount(now);
    WriteSummary(m_model, now, m_settings);
    TrimOldBlocks(m_display, m_model.TargetCount, m_model.DisplayMaxLines);
    if (m_observer != nullptr)
        m_observer->CycleEnded(m_model);
    m_host.PumpMessages();
}

void TestCycle::ProbeTargets(AppendingFile& detailLog) {
    DisplayUpdate update(m_display);
    // Fixed for the whole block, so its lines stay together even on a trimmed display.
    const int insertAt = BlockInsertIndex(m_display, m_model.DisplayInsertLine);
    const TlsTrust trust = TrustOf(m_model);
    m_display.Insert(insertAt, " ");
    for (std::int32_t i = 0; i < m_model.TargetCount && !m_host.CutCycleShort(); ++i) {
        // A copy: the probe reads it on another thread while the window goes on running,
        // and nothing may keep pointing into the table while commands can run.
        const TargetEntry entry = m_model.Target(i);
        const std::string prefix = ResultLinePrefix(m_model.CycleCount, m_clock.Now(), m_settings);
        m_statusBar.SetText("\tTesting-->   " + entry.ShownAddr());
        const TestType type = TestTypeOf(entry.Type);
        if (type == TestType::Unknown)
            continue;
        const ProbeOutcome outcome = ProbeTarget(type, i, entry, m_probes, m_clock, m_host, trust);
        RecordResult(m_model, i, outcome.ElapsedMs, outcome.Failed);
        // The last certificate seen stays known through probes that saw none.
        if (outcome.CertificateExpiry != 0)
            m_model.Target(i).CertificateExpiry = outcome.CertificateExpiry;
        if (m_observer != nullptr)
            m_observer->ProbeRecorded(m_model, i, outcome.ElapsedMs, outcome.Failed);
        std::string line = ResultLine(prefix, outcome.Failed, outcome.ElapsedMs, entry, m_settings);
        m_display.InsertResult(insertAt, line, outcome.Reason);
        if (outcome.Failed) {
            m_model.Target(i).LastReason = outcome.Reason;
            m_statusBar.ShowFailureReason(outcome.Reason);
        }
        if (outcome.Failed && entry.Audible)
            m_host.PlayErrorSound();
        line += kLineEnd;
        detailLog.Write(line);
    }
}

void TestCycle::ShowCycleCount(const LocalDateTime& now) {
    // The count shown is the first entry's attempts, which the table always has.
    m_statusBar.SetText("\t" + std::to_string(m_model.TargetTable.front().Attempts) +
                        " Cycles in " + FormatElapsed(ToDayCount(now) - m_model.RunStartTime));
}

} // namespace velnorix
