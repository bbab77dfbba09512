#include "engine/statistics.h"

namespace velnorix {

void RecordResult(RunModel& model, std::int32_t index, std::uint32_t elapsedMs, bool failed) {
    TargetStatistics& entry = model.StatisticsOf(index);
    ++entry.Attempts;
    if (failed)
        ++entry.Failures;
    entry.TotalMs += elapsedMs;
    // The first probe sets the low, so a probe of 0 ms is a low like any other.
    if (entry.Attempts == 1 || entry.LowMs > elapsedMs)
        entry.LowMs = elapsedMs;
    if (elapsedMs > entry.HighMs)
        entry.HighMs = elapsedMs;
}

std::string PercentSuccessText(std::int64_t attempts, std::int64_t failures,
                               const FormatSettings& settings) {
    if (failures == attempts || attempts <= 0)
        return std::string(kZeroPercentText);
    return FormatRatio((attempts - failures) * 100, attempts, 1, 5, settings);
}

std::string AverageSecondsText(std::uint64_t totalMs, std::int64_t attempts,
                               const FormatSettings& settings) {
    if (totalMs == 0 || attempts <= 0)
        return std::string(kZeroSecondsText);
    return FormatRatio(static_cast<std::int64_t>(totalMs), attempts * 1000, 2, 7, settings);
}

std::string SecondsText(std::uint32_t ms, const FormatSettings& settings) {
    if (ms == 0)
        return std::string(kZeroSecondsText);
    return FormatRatio(ms, 1000, 2, 7, settings);
}

void StatisticsTotals::Add(const TargetStatistics& entry) {
    Attempts += entry.Attempts;
    Failures += entry.Failures;
    TotalMs += entry.TotalMs;
    if (LowMs == 0 || LowMs > entry.LowMs)
        LowMs = entry.LowMs;
    if (entry.HighMs > HighMs)
        HighMs = entry.HighMs;
}

StatisticsTotals TotalsOf(const RunModel& model) {
    StatisticsTotals totals;
    for (std::int32_t i = 0; i < model.TargetCount(); ++i)
        totals.Add(model.StatisticsOf(i));
    return totals;
}

} // namespace velnorix
