#include "engine/run_metrics.h"

#include "probes/http/url_parts.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace velnorix {
namespace {

// The `target` label: the whole user information hidden, since it leaves the machine, and the
// port shown where the address alone does not tell it.
std::string ExportedName(const TargetSettings& entry) {
    return WithUnusualPort(entry, WithUserInformationHidden(entry.Addr));
}

} // namespace

RunMetrics::RunMetrics(Clock& clock, MetricsBoard* board, std::size_t historyLimit,
                       std::size_t historyBudget)
    : m_clock(clock), m_board(board), m_historyLimit(historyLimit), m_historyBudget(historyBudget) {
}

void RunMetrics::RunStarted(const RunModel& model) {
    m_targets.clear();
    m_lastCycleMs = 0;
    m_cyclesDone = 0;
    m_runStartTick = m_clock.TickCount();
    m_runStartUnix = m_clock.SecondsSinceEpoch();
    Publish(model);
}

void RunMetrics::CycleStarted(const RunModel& model) {
    m_cycleStartTick = m_clock.TickCount();
    // The table may have been edited since the last cycle; probes then share what this shows.
    Publish(model);
}

void RunMetrics::ProbeRecorded(const RunModel& model, std::int32_t index,
                               const ProbeOutcome& outcome) {
    const std::uint32_t elapsedMs = outcome.ElapsedMs;
    const bool failed = outcome.Failed;
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
    PublishProbe(model, index);
}

void RunMetrics::CycleEnded(const RunModel& model) {
    m_lastCycleMs = m_clock.TickCount() - m_cycleStartTick;
    m_cyclesDone = model.CycleCount;
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
    return record.IsFor(entry) ? &record : nullptr;
}

RunMetrics::TargetRecord& RunMetrics::RecordFor(const TargetSettings& entry, std::int32_t index) {
    const auto at = static_cast<std::size_t>(index);
    if (m_targets.size() <= at)
        m_targets.resize(at + 1);
    TargetRecord& record = m_targets[at];
    // The operator may edit the table during a run; another target's probes are not its own.
    if (!record.IsFor(entry)) {
        record = TargetRecord{};
        record.Type = entry.Type;
        record.Addr = entry.Addr;
        record.Port = entry.Port;
        record.Security = entry.Security;
        record.Shown = ExportedName(entry);
    }
    return record;
}

TargetMetrics RunMetrics::MetricsOf(const RunModel& model, std::int32_t index,
                                    const TargetRecord* record) const {
    const TargetSettings& entry = model.Target(index);
    const TargetStatistics& figures = model.StatisticsOf(index);
    TargetMetrics target{.Index = index + 1,
                         .Type = entry.Type,
                         .Target = record != nullptr ? record->Shown : ExportedName(entry),
                         .Attempts = figures.Attempts,
                         .Failures = figures.Failures,
                         .LowMs = figures.LowMs,
                         .HighMs = figures.HighMs,
                         .TotalMs = figures.TotalMs,
                         .CertificateExpiry = figures.CertificateExpiry,
                         .State = figures.State,
                         .Echoes = figures.Echoes};
    if (record != nullptr && record->Probed) {
        target.Probed = true;
        target.Up = !record->LastFailed;
        target.LastMs = record->LastMs;
        target.ConsecutiveFailures = record->ConsecutiveFailures;
    }
    return target;
}

std::shared_ptr<const MetricsSnapshot::Block> RunMetrics::BlockOf(const RunModel& model,
                                                                  std::size_t block) const {
    const std::size_t first = block * MetricsSnapshot::kBlockSize;
    const std::size_t end = std::min(first + MetricsSnapshot::kBlockSize,
                                     static_cast<std::size_t>(model.TargetCount()));
    auto targets = std::make_shared<MetricsSnapshot::Block>();
    targets->reserve(end - first);
    for (std::size_t at = first; at < end; ++at) {
        const auto index = static_cast<std::int32_t>(at);
        targets->push_back(MetricsOf(model, index, KeptFor(model, index)));
    }
    return targets;
}

MetricsSnapshot RunMetrics::Snapshot(const RunModel& model) const {
    MetricsSnapshot snapshot;
    snapshot.CyclesDone = m_cyclesDone;
    snapshot.LastCycleMs = m_lastCycleMs;
    snapshot.RunStartUnix = m_runStartUnix;
    snapshot.Version = VELNORIX_VERSION;
    snapshot.TargetCount = static_cast<std::size_t>(model.TargetCount());
    const std::size_t blocks =
        (snapshot.TargetCount + MetricsSnapshot::kBlockSize - 1) / MetricsSnapshot::kBlockSize;
    snapshot.Blocks.reserve(blocks);
    for (std::size_t block = 0; block < blocks; ++block)
        snapshot.Blocks.push_back(BlockOf(model, block));
    return snapshot;
}

void RunMetrics::Publish(const RunModel& model) {
    if (m_board == nullptr)
        return;
    // Records for targets not yet probed carry their shown address, so no probe works it out.
    for (std::int32_t i = 0; i < model.TargetCount(); ++i)
        RecordFor(model.Target(i), i);
    m_published = std::make_shared<const MetricsSnapshot>(Snapshot(model));
    m_board->Publish(m_published);
}

void RunMetrics::PublishProbe(const RunModel& model, std::int32_t index) {
    if (m_board == nullptr)
        return;
    // The table changed since the last snapshot: nothing of it can be shared.
    if (!m_published || m_published->TargetCount != static_cast<std::size_t>(model.TargetCount())) {
        Publish(model);
        return;
    }
    auto next = std::make_shared<MetricsSnapshot>(*m_published);
    const std::size_t block = static_cast<std::size_t>(index) / MetricsSnapshot::kBlockSize;
    next->Blocks[block] = BlockOf(model, block);
    m_published = std::move(next);
    m_board->Publish(m_published);
}

} // namespace velnorix
