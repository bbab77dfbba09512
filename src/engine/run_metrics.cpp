#include "engine/run_metrics.h"

#include "probes/http/url_parts.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace velnorix {

RunMetrics::RunMetrics(Clock& clock, MetricsBoard* board, std::size_t historyLimit,
                       std::size_t historyBudget)
    : m_clock(clock), m_board(board), m_historyLimit(historyLimit), m_historyBudget(historyBudget) {
}

void RunMetrics::RunStarted(const RunModel& model) {
    m_targets.clear();
    m_lastCycleMs = 0;
    m_runStartTick = m_clock.TickCount();
    m_runStartUnix = m_clock.SecondsSinceEpoch();
    Publish(model);
}

void RunMetrics::CycleStarted(const RunModel&) {
    m_cycleStartTick = m_clock.TickCount();
}

void RunMetrics::ProbeRecorded(const RunModel& model, std::int32_t index, std::uint32_t elapsedMs,
                               bool failed) {
    TargetRecord& record = RecordFor(model.Target(index), index);
    record.Probed = true;
    record.LastFailed = failed;
    record.LastMs = elapsedMs;
    record.ConsecutiveFailures = failed ? record.ConsecutiveFailures + 1 : 0;
    const auto targets = static_cast<std::size_t>(std::max(model.TargetCount(), 1));
    const std::size_t limit = std::min(m_historyLimit, m_historyBudget / targets);
    if (limit > 0) {
        // A table grown since shortens each history as its target is next probed.
        while (record.History.size() >= limit)
            record.History.pop_front();
        // Tick differences stay right across the 32-bit wrap.
        record.History.push_back({m_clock.TickCount() - m_runStartTick, elapsedMs, failed});
    }
    Publish(model);
}

void RunMetrics::CycleEnded(const RunModel& model) {
    m_lastCycleMs = m_clock.TickCount() - m_cycleStartTick;
    Publish(model);
}

const std::deque<ProbeSample>& RunMetrics::History(const RunModel& model,
                                                   std::int32_t index) const {
    static const std::deque<ProbeSample> none;
    const TargetRecord* record = KeptFor(model, index);
    return record != nullptr ? record->History : none;
}

const RunMetrics::TargetRecord* RunMetrics::KeptFor(const RunModel& model,
                                                    std::int32_t index) const {
    const auto at = static_cast<std::size_t>(index);
    if (index < 0 || index >= model.TargetCount() || at >= m_targets.size())
        return nullptr;
    const TargetRecord& record = m_targets[at];
    const TargetSettings& entry = model.Target(index);
    // An edited row shows none of the probes its former target had.
    return record.Type == entry.Type && record.Addr == entry.Addr ? &record : nullptr;
}

RunMetrics::TargetRecord& RunMetrics::RecordFor(const TargetSettings& entry, std::int32_t index) {
    const auto at = static_cast<std::size_t>(index);
    if (m_targets.size() <= at)
        m_targets.resize(at + 1);
    TargetRecord& record = m_targets[at];
    // The operator may edit the table during a run; another target's probes are not its own.
    if (record.Type != entry.Type || record.Addr != entry.Addr) {
        record = TargetRecord{};
        record.Type = entry.Type;
        record.Addr = entry.Addr;
    }
    return record;
}

MetricsSnapshot RunMetrics::Snapshot(const RunModel& model) const {
    MetricsSnapshot snapshot;
    snapshot.CyclesDone = model.CycleCount;
    snapshot.LastCycleMs = m_lastCycleMs;
    snapshot.RunStartUnix = m_runStartUnix;
    snapshot.Version = VELNORIX_VERSION;
    snapshot.Targets.reserve(static_cast<std::size_t>(model.TargetCount()));
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        const TargetSettings& entry = model.Target(i);
        const TargetStatistics& figures = model.StatisticsOf(i);
        TargetMetrics target{.Index = i + 1,
                             .Type = entry.Type,
                             .Target = WithUserInformationHidden(entry.Addr),
                             .Attempts = figures.Attempts,
                             .Failures = figures.Failures,
                             .LowMs = figures.LowMs,
                             .HighMs = figures.HighMs,
                             .TotalMs = figures.TotalMs,
                             .CertificateExpiry = figures.CertificateExpiry};
        if (const TargetRecord* record = KeptFor(model, i); record != nullptr && record->Probed) {
            target.Probed = true;
            target.Up = !record->LastFailed;
            target.LastMs = record->LastMs;
            target.ConsecutiveFailures = record->ConsecutiveFailures;
        }
        snapshot.Targets.push_back(std::move(target));
    }
    return snapshot;
}

void RunMetrics::Publish(const RunModel& model) {
    if (m_board != nullptr)
        m_board->Publish(std::make_shared<const MetricsSnapshot>(Snapshot(model)));
}

} // namespace velnorix
