#pragma once

#include "base/text_file.h"
#include "base/text_format.h"
#include "engine/host.h"
#include "engine/probe_pool.h"
#include "engine/probe_set.h"
#include "engine/run_model.h"
#include "engine/run_observer.h"
#include "engine/scheduler_parts.h"
#include "probes/probe_interfaces.h"

#include <memory>
#include <vector>

namespace velnorix {

// One pass over the target table: every target probed once, its result line put at the top of
// the display's newest block and appended to the detail log, its outcome recorded; then the
// status text, the summary block and the trimming of old blocks. Deciding between re-arming
// the cycle timer and completing a stop is the scheduler's part.
//
// When the model lets several probes run at once, a pool of workers probes ahead while this
// thread records the results strictly in target order, each as soon as it and every target
// before it are done; the display, the logs and the statistics see exactly what a cycle of
// one probe at a time would show them. Targets whose last probe timed out start first,
// the longest waits foremost, so their waits overlap instead of queueing behind each other.
class TestCycle final {
public:
    explicit TestCycle(const SchedulerParts& parts);

    // Throws FileError when a log cannot be opened or written. A detail log that fails
    // leaves the cycle timer as the cycle found it (so a ticking run tries again at the next tick);
    // a summary log that fails leaves it disabled, halting the run. When the program ends at
    // the first pump point, the cycle ends there without touching anything.
    void Run();

    // Pauses or resumes alerts, at once, even between a cycle's probes: every target's shown
    // state follows, and the run's event log gets one line for it.
    void SetAlertsPaused(bool paused);

private:
    // The cycle's block as it is being written.
    struct OpenBlock {
        AppendingFile& DetailLog;
        // Fixed for the whole block, so its lines stay together on a trimmed display.
        int InsertAt = 0;
        TlsTrust Trust;
    };

    void ProbeTargets(AppendingFile& detailLog);
    // One at a time: probes now, on the cycle's own components.
    [[nodiscard]] FinishedProbe ProbeNow(const ProbeJob& job, const TlsTrust& trust);
    // At once: the pool's result for job `index`, waited for as a blocking step.
    [[nodiscard]] std::optional<FinishedProbe> Collect(ProbePool& pool, std::size_t index);
    // A job per target of known type, in target order; at once, each web target's own probe.
    [[nodiscard]] std::vector<ProbeJob> JobsOfThisCycle(bool atOnce);
    [[nodiscard]] ProbePool& PoolOf(std::int32_t workers);
    void Record(const OpenBlock& block, std::int32_t position, const TargetSettings& entry,
                const LocalDateTime& start, const ProbeOutcome& outcome);
    void ShowCycleCount(const LocalDateTime& now);

    RunModel& m_model;
    DisplayLines& m_display;
    StatusLine& m_statusBar;
    IntervalTimer& m_cycleTimer;
    Clock& m_clock;
    HostServices& m_host;
    ProbeComponents m_probes;
    FormatSettings m_settings;
    RunObserver* m_observer;
    ProbeMakers m_parallelProbes;
    // For probes run at once: each web target's own web probe, by position.
    std::vector<std::unique_ptr<HeadProbe>> m_webProbes;
    // Last, so its workers stop before anything they use goes away.
    std::unique_ptr<ProbePool> m_pool;
};

} // namespace velnorix
