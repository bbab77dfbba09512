#pragma once

#include "base/clock.h"
#include "engine/metrics_snapshot.h"
#include "engine/run_observer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace velnorix {

// One probe of a run: when it ended, counted from the run's start, and what it gave.
struct ProbeSample {
    std::uint32_t AtMs = 0;
    std::uint32_t ElapsedMs = 0;
    bool Failed = false;
};

// What the run model does not keep: each target's last verdict and its recent probes, the
// cycle's duration and the run's start as a Unix time. With a board it publishes a fresh
// snapshot after every probe and every cycle; a probe's snapshot shares all but the probed
// target's block with the one before, so its cost does not grow with the table.
class RunMetrics final : public RunObserver {
public:
    static constexpr std::size_t kDefaultHistoryLimit = 10'000;
    // Probes kept over all targets: with many targets each keeps fewer, so memory stays bounded.
    static constexpr std::size_t kDefaultHistoryBudget = 1'000'000;

    // A history limit of 0 keeps no history, for a monitor that never draws it.
    explicit RunMetrics(Clock& clock, MetricsBoard* board = nullptr,
                        std::size_t historyLimit = kDefaultHistoryLimit,
                        std::size_t historyBudget = kDefaultHistoryBudget);

    void RunStarted(const RunModel& model) override;
    void CycleStarted(const RunModel& model) override;
    void ProbeRecorded(const RunModel& model, std::int32_t index,
                       const ProbeOutcome& outcome) override;
    void CycleEnded(const RunModel& model) override;

    // The latest probes of the model's entry at `index` (0-based) in this run, oldest first; at
    // most the history limit of them, and fewer when the budget shared by all targets is less.
    // Empty for a target not probed since it was configured.
    [[nodiscard]] const std::deque<ProbeSample>& History(const RunModel& model,
                                                         std::int32_t index) const;

    // The figures as they stand, for the board or a benchmark.
    [[nodiscard]] MetricsSnapshot Snapshot(const RunModel& model) const;

private:
    struct TargetRecord {
        // What the record was kept for: a changed target starts afresh. Another port or
        // protection is another server, and another name in the scrape.
        std::string Type;
        std::string Addr;
        std::int32_t Port = 0;
        TargetSecurity Security = TargetSecurity::None;
        std::string Shown; // the target as a scrape shows it, worked out once
        bool Probed = false;
        bool LastFailed = false;
        std::uint32_t LastMs = 0;
        std::int64_t ConsecutiveFailures = 0;
        std::deque<ProbeSample> History;

        [[nodiscard]] bool IsFor(const TargetSettings& entry) const {
            return Type == entry.Type && Addr == entry.Addr && Port == entry.Port &&
                   Security == entry.Security;
        }
    };

    TargetRecord& RecordFor(const TargetSettings& entry, std::int32_t index);
    // The record kept for this very entry, or none when the row has since been edited.
    [[nodiscard]] const TargetRecord* KeptFor(const RunModel& model, std::int32_t index) const;
    [[nodiscard]] TargetMetrics MetricsOf(const RunModel& model, std::int32_t index,
                                          const TargetRecord* record) const;
    [[nodiscard]] std::shared_ptr<const MetricsSnapshot::Block> BlockOf(const RunModel& model,
                                                                        std::size_t block) const;
    // Every target's figures, after the records have caught up with the table.
    void Publish(const RunModel& model);
    // Only the block of the target at `index` is new; the rest is shared with the last snapshot.
    void PublishProbe(const RunModel& model, std::int32_t index);

    Clock& m_clock;
    MetricsBoard* m_board;
    std::size_t m_historyLimit;
    std::size_t m_historyBudget;
    std::vector<TargetRecord> m_targets;
    std::shared_ptr<const MetricsSnapshot> m_published;
    std::uint32_t m_runStartTick = 0;
    std::uint32_t m_cycleStartTick = 0;
    std::uint32_t m_lastCycleMs = 0;
    // Counted when a cycle ends: a scrape mid-cycle must not count the running one as done.
    std::int64_t m_cyclesDone = 0;
    std::int64_t m_runStartUnix = 0;
};

} // namespace velnorix
