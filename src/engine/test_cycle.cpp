#include "engine/test_cycle.h"

#include "base/date_time.h"
#include "engine/display_blocks.h"
#include "engine/display_header.h"
#include "engine/result_line.h"
#include "engine/statistics.h"
#include "engine/summary_log.h"
#include "engine/target_probe.h"

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
      m_timer1(parts.Timer1), m_clock(parts.Clock), m_host(parts.Host), m_probes(parts.Probes),
      m_settings(parts.Format), m_observer(parts.Observer), m_parallelProbes(parts.ParallelProbes) {
}

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
    // The header and this cycle's block stay on a window of any size; it scrolls instead.
    const int newestBlockEnd = insertAt + (m_display.Count() - linesBefore);
    TrimOldBlocks(m_display, m_model.TargetCount(), KeptResultLines(m_model.Config, m_display),
                  newestBlockEnd);
    if (m_observer != nullptr)
        m_observer->CycleEnded(m_model);
    m_host.PumpMessages();
}

void TestCycle::ProbeTargets(AppendingFile& detailLog) {
    const DisplayUpdate update(m_display);
    const OpenBlock block{detailLog, BlockInsertIndex(m_display, HeaderLineCount(m_model.Config)),
                          TrustOf(m_model)};
    m_display.Insert(block.InsertAt, " ");
    if (m_model.Config.Parallel > 1 && m_parallelProbes.Given())
        ProbeAtOnce(block);
    else
        ProbeInTurn(block);
}

void TestCycle::ProbeInTurn(const OpenBlock& block) {
    for (std::int32_t i = 0; i < m_model.TargetCount() && !m_host.CutCycleShort(); ++i) {
        // A copy: the probe reads it on another thread while the window goes on running,
        // and nothing may keep pointing into the table while commands can run.
        const TargetSettings entry = m_model.Target(i);
        const LocalDateTime start = m_clock.Now();
        m_statusBar.SetText(TestingText(entry));
        const TestType type = TestTypeOf(entry.Type);
        if (type == TestType::Unknown)
            continue;
        Record(block, i, entry, start,
               ProbeTarget(type, i, entry, m_probes, m_clock, m_host, block.Trust));
    }
}

void TestCycle::ProbeAtOnce(const OpenBlock& block) {
    const std::vector<ProbeJob> jobs = JobsOfThisCycle();
    ProbePool& pool = PoolOf(m_model.Config.Parallel);
    pool.Start(jobs, block.Trust, [this] { return m_host.CutCycleShort(); });
    const SettledPool settled(pool);
    bool cutShort = false;
    std::size_t next = 0; // the first job not yet recorded; jobs are in target order
    for (std::int32_t i = 0; i < m_model.TargetCount(); ++i) {
        // Probes already running finish and are recorded; those not begun never start.
        if (!cutShort && m_host.CutCycleShort()) {
            cutShort = true;
            pool.DropWaiting();
        }
        if (!cutShort)
            m_statusBar.SetText(TestingText(m_model.Target(i)));
        // A target of no known type has no job.
        if (next == jobs.size() || jobs[next].Position != i)
            continue;
        const std::size_t k = next++;
        std::optional<FinishedProbe> finished;
        // Waiting is a blocking step like a probe; a result already in needs no wait.
        if (pool.Finished(k))
            finished = pool.Take(k);
        else
            m_host.RunBlocking([&] { finished = pool.Take(k); });
        if (finished)
            Record(block, jobs[k].Position, jobs[k].Entry, finished->Start, finished->Outcome);
    }
}

std::vector<ProbeJob> TestCycle::JobsOfThisCycle() {
    // Positions beyond the table lose their web probes with the targets that were there.
    m_webProbes.resize(static_cast<std::size_t>(m_model.TargetCount()));
    std::vector<ProbeJob> jobs;
    jobs.reserve(m_webProbes.size());
    for (std::int32_t i = 0; i < m_model.TargetCount(); ++i) {
        const TestType type = TestTypeOf(m_model.Target(i).Type);
        if (type == TestType::Unknown)
            continue;
        std::unique_ptr<HeadProbe>& web = m_webProbes[static_cast<std::size_t>(i)];
        if (type == TestType::Html && !web)
            web = m_parallelProbes.Web();
        jobs.push_back({.Type = type,
                        .Position = i,
                        .Entry = m_model.Target(i),
                        .Web = type == TestType::Html ? web.get() : nullptr});
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
    // The last certificate seen stays known through probes that saw none.
    if (outcome.CertificateExpiry != 0)
        m_model.StatisticsOf(position).CertificateExpiry = outcome.CertificateExpiry;
    if (m_observer != nullptr)
        m_observer->ProbeRecorded(m_model, position, outcome.ElapsedMs, outcome.Failed);
    const std::string prefix = ResultLinePrefix(m_model.CycleCount, start, m_settings);
    std::string line = ResultLine(prefix, outcome.Failed, outcome.ElapsedMs, entry, m_settings);
    m_display.InsertResult(block.InsertAt, line, outcome.Reason);
    if (outcome.Failed) {
        m_model.StatisticsOf(position).LastReason = outcome.Reason;
        m_statusBar.ShowFailureReason(outcome.Reason);
    }
    if (outcome.Failed && entry.Audible)
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
