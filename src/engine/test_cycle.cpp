#include "engine/test_cycle.h"

#include "base/date_time.h"
#include "engine/display_blocks.h"
#include "engine/display_header.h"
#include "engine/result_line.h"
#include "engine/run_states.h"
#include "engine/statistics.h"
#include "engine/summary_log.h"
#include "engine/target_probe.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

namespace velnorix {
namespace {

std::string TestingText(const TargetSettings& entry) {
    return "\tTesting-->   " + entry.ShownAddr();
}

// Whatever leaves the cycle, no probe it started outlives it.
class SettledPool final {
public:
    explicit SettledPool(ProbePool& pool) : m_pool(pool) {}
    ~SettledPool() {
        m_pool.DropWaiting();
        m_pool.WaitUntilIdle();
    }
    SettledPool(const SettledPool&) = delete;
    SettledPool& operator=(const SettledPool&) = delete;

private:
    ProbePool& m_pool;
};

} // namespace

TestCycle::TestCycle(const SchedulerParts& parts)
    : m_model(parts.Model), m_display(parts.Display), m_statusBar(parts.StatusBar),
      m_cycleTimer(parts.CycleTimer), m_clock(parts.Clock), m_host(parts.Host),
      m_probes(parts.Probes.value()), m_settings(parts.Format), m_observer(parts.Observer),
      m_parallelProbes(parts.ParallelProbes) {}

void TestCycle::Run() {
    m_host.PumpMessages();
    if (m_host.ProgramEnded())
        return;
    ++m_model.CycleCount;
    if (m_observer != nullptr)
        m_observer->CycleStarted(m_model);
    AppendingFile detailLog(m_model.DetailLogName);
    const int insertAt = BlockInsertIndex(m_display, HeaderLineCount(m_model.Config));
    const int linesBefore = m_display.Count();
    const bool timerWasEnabled = m_cycleTimer.Enabled();
    const std::vector<TargetState> statesBefore = StatesOf(m_model);
    m_cycleTimer.SetEnabled(false);
    try {
        ProbeTargets(detailLog);
        SettleStates(m_model);
        detailLog.Write(kLineEnd);
        detailLog.Close();
    } catch (const FileError&) {
        m_cycleTimer.SetEnabled(timerWasEnabled);
        throw;
    }
    const LocalDateTime now = m_clock.Now();
    ShowCycleCount(now);
    WriteSummary(m_model, now, m_settings);
    const std::string changes = StateChangeLines(
        m_model, statesBefore, ResultLinePrefix(m_model.CycleCount, now, m_settings));
    if (!changes.empty() && !m_model.EventLogName.empty())
        AppendToExistingFile(m_model.EventLogName, changes);
    // The header and this cycle's block stay on a window of any size; it scrolls instead.
    const int newestBlockEnd = insertAt + (m_display.Count() - linesBefore);
    TrimOldBlocks(m_display, m_model.TargetCount(), KeptResultLines(m_model.Config, m_display),
                  newestBlockEnd);
    if (m_observer != nullptr)
        m_observer->CycleEnded(m_model);
    m_host.PumpMessages();
}

void TestCycle::SetAlertsPaused(bool paused) {
    if (m_model.AlertsPaused == paused)
        return;
    m_model.AlertsPaused = paused;
    SettleStates(m_model);
    if (m_model.EventLogName.empty())
        return;
    try {
        AppendToExistingFile(m_model.EventLogName,
                             AlertPauseLine(paused, ResultLinePrefix(m_model.CycleCount,
                                                                     m_clock.Now(), m_settings)));
    } catch (const FileError&) {
        // A log that cannot be written stops the run at its next cycle, with the message; the
        // pause itself must hold regardless.
    }
}

void TestCycle::ProbeTargets(AppendingFile& detailLog) {
    const DisplayUpdate update(m_display);
    const OpenBlock block{detailLog, BlockInsertIndex(m_display, HeaderLineCount(m_model.Config)),
                          TrustOf(m_model)};
    m_display.Insert(block.InsertAt, " ");
    const bool atOnce = m_model.Config.Parallel > 1 && m_parallelProbes.Given();
    const std::vector<ProbeJob> jobs = JobsOfThisCycle(atOnce);
    // One at a time, each probe runs on this cycle's own components as its turn comes; at
    // once, a pool of workers probes ahead while the results are recorded here in order.
    ProbePool* pool = atOnce ? &PoolOf(m_model.Config.Parallel) : nullptr;
    std::optional<SettledPool> settled;
    if (pool != nullptr) {
        pool->Start(jobs, block.Trust, [this] { return m_host.CutCycleShort(); });
        settled.emplace(*pool);
    }
    bool cutShort = false;
    std::size_t next = 0; // the first job not yet recorded; jobs are in target order
    for (std::int32_t i = 0; i < m_model.TargetCount(); ++i) {
        // Probes already running finish and are recorded; those not begun never start.
        if (!cutShort && m_host.CutCycleShort()) {
            cutShort = true;
            if (pool == nullptr)
                break;
            pool->DropWaiting();
        }
        if (!cutShort)
            m_statusBar.SetText(TestingText(m_model.Target(i)));
        // A target of no known type has no job.
        if (next == jobs.size() || jobs[next].Position != i)
            continue;
        const ProbeJob& job = jobs[next];
        const std::optional<FinishedProbe> finished =
            pool != nullptr ? Collect(*pool, next) : ProbeNow(job, block.Trust);
        ++next;
        if (finished)
            Record(block, job.Position, job.Entry, finished->Start, finished->Outcome);
    }
}

FinishedProbe TestCycle::ProbeNow(const ProbeJob& job, const TlsTrust& trust) {
    return ProbeWithRetries(job, m_probes, m_clock, m_host, trust,
                            [this] { return m_host.CutCycleShort(); });
}

std::optional<FinishedProbe> TestCycle::Collect(ProbePool& pool, std::size_t index) {
    // Waiting is a blocking step like a probe; a result already in needs no wait.
    if (pool.Finished(index))
        return pool.Take(index);
    std::optional<FinishedProbe> finished;
    m_host.RunBlocking([&] { finished = pool.Take(index); });
    return finished;
}

std::vector<ProbeJob> TestCycle::JobsOfThisCycle(bool atOnce) {
    // Positions beyond the table lose their web probes with the targets that were there.
    if (atOnce)
        m_webProbes.resize(static_cast<std::size_t>(m_model.TargetCount()));
    std::vector<ProbeJob> jobs;
    jobs.reserve(static_cast<std::size_t>(m_model.TargetCount()));
    for (std::int32_t i = 0; i < m_model.TargetCount(); ++i) {
        const TestType type = TestTypeOf(m_model.Target(i).Type);
        if (type == TestType::Unknown)
            continue;
        HeadProbe* web = nullptr;
        if (atOnce && type == TestType::Html) {
            std::unique_ptr<HeadProbe>& own = m_webProbes[static_cast<std::size_t>(i)];
            if (!own)
                own = m_parallelProbes.Web();
            web = own.get();
        }
        // The target's own time-out wins over the configuration's.
        TargetSettings entry = m_model.Target(i);
        if (entry.TimeoutMs == 0)
            entry.TimeoutMs = m_model.Config.TimeoutMs;
        jobs.push_back({.Type = type,
                        .Position = i,
                        .Entry = std::move(entry),
                        .Web = web,
                        .ExpectedWaitMs = m_model.StatisticsOf(i).LastTimeOutMs,
                        .Retries = m_model.Config.Retries,
                        .RetryDelayMs = static_cast<std::uint32_t>(m_model.Config.RetryDelayMs)});
    }
    return jobs;
}

ProbePool& TestCycle::PoolOf(std::int32_t workers) {
    if (!m_pool || m_pool->Workers() != workers) {
        m_pool.reset();
        m_pool = std::make_unique<ProbePool>(workers, m_parallelProbes, m_clock);
    }
    return *m_pool;
}

void TestCycle::Record(const OpenBlock& block, std::int32_t position, const TargetSettings& entry,
                       const LocalDateTime& start, const ProbeOutcome& outcome) {
    RecordResult(m_model, position, outcome.ElapsedMs, outcome.Failed);
    const TargetState state = TakeIntoState(m_model, position, outcome.ElapsedMs, outcome.Failed);
    // At least 1, so a time-out is never taken for none.
    m_model.StatisticsOf(position).LastTimeOutMs =
        outcome.TimedOut ? std::max<std::uint32_t>(outcome.ElapsedMs, 1) : 0;
    // The last certificate seen stays known through probes that saw none.
    if (outcome.CertificateExpiry != 0)
        m_model.StatisticsOf(position).CertificateExpiry = outcome.CertificateExpiry;
    if (outcome.Echoes.Sent != 0)
        m_model.StatisticsOf(position).Echoes = outcome.Echoes;
    if (m_observer != nullptr)
        m_observer->ProbeRecorded(m_model, position, outcome);
    const std::string prefix = ResultLinePrefix(m_model.CycleCount, start, m_settings);
    std::string line = ResultLine(prefix, outcome.Failed, outcome.ElapsedMs, entry, m_settings);
    m_display.InsertResult(block.InsertAt, line + StateMark(state, outcome.Failed), outcome.Reason);
    if (outcome.Failed) {
        m_model.StatisticsOf(position).LastReason = outcome.Reason;
        m_statusBar.ShowFailureReason(outcome.Reason);
    }
    // Only a confirmed failure sounds: not one the target's FailAfter still waits out, and
    // not a child's whose parent is down.
    if (outcome.Failed && entry.Audible && state == TargetState::Down)
        m_host.PlayErrorSound();
    line += kLineEnd;
    block.DetailLog.Write(line);
}

void TestCycle::ShowCycleCount(const LocalDateTime& now) {
    // The count shown is the first entry's attempts, which the table always has.
    m_statusBar.SetText("\t" + std::to_string(m_model.Statistics.front().Attempts) + " Cycles in " +
                        FormatElapsed(ToDayCount(now) - m_model.RunStartTime));
}

} // namespace velnorix
