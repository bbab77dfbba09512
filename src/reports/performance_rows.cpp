#include "reports/performance_rows.h"

#include "engine/statistics.h"

namespace velnorix {
namespace {

constexpr std::size_t kFigureWidth = 6;

std::string CountText(std::int64_t value) {
    return PadLeft(std::to_string(value), kFigureWidth);
}

PerformanceRow Row(std::string caption, std::string type, std::int64_t attempts,
                   std::int64_t failures, std::uint64_t totalMs, std::uint32_t lowMs,
                   std::uint32_t highMs, const FormatSettings& settings) {
    return {std::move(caption),
            std::move(type),
            CountText(attempts),
            CountText(attempts - failures),
            CountText(failures),
            PadLeft(PercentSuccessText(attempts, failures, settings), kFigureWidth),
            AverageSecondsText(totalMs, attempts, settings),
            SecondsText(lowMs, settings),
            SecondsText(highMs, settings)};
}

std::string SummaryCaption(const RunModel& model, const LocalDateTime& now) {
    // A start time of 0 means no run has started yet: no span to count from 1899.
    const double span = model.RunStartTime == 0.0 ? 0.0 : ToDayCount(now) - model.RunStartTime;
    return "-< SUMMARY in " + FormatElapsed(span) + " >-";
}

} // namespace

std::vector<PerformanceRow> PerformanceRows(const RunModel& model, const LocalDateTime& now,
                                            const FormatSettings& settings) {
    std::vector<PerformanceRow> rows;
    rows.reserve(static_cast<std::size_t>(model.TargetCount()) + 1);
    StatisticsTotals totals;
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        const TargetSettings& entry = model.Target(i);
        const TargetStatistics& figures = model.StatisticsOf(i);
        totals.Add(figures);
        rows.push_back(Row(entry.ShownName(), entry.Type, figures.Attempts, figures.Failures,
                           figures.TotalMs, figures.LowMs, figures.HighMs, settings));
    }
    rows.push_back(Row(SummaryCaption(model, now), std::string(), totals.Attempts, totals.Failures,
                       totals.TotalMs, totals.LowMs, totals.HighMs, settings));
    return rows;
}

} // namespace velnorix
