#include "history/history_report.h"

#include "base/csv_field.h"
#include "base/date_time.h"
#include "history/history_key.h"
#include "history/history_reader.h"
#include "history/history_writer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace velnorix {

namespace {

// One day's figures, gathered from its hours.
struct DayFigures {
    ProbeCounts Counts;
    std::optional<std::int64_t> LowMs;
    std::optional<std::int64_t> HighMs;
    double TotalMs = 0;
};

std::string Decimal(double value, int decimals) {
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, end.ptr);
}

template <typename Value>
std::string Optional(const std::optional<Value>& value, int decimals) {
    if (!value)
        return {};
    return Decimal(static_cast<double>(*value), decimals);
}

std::string TargetTitle(const TargetSettings& target) {
    return target.Type + target.ShownName();
}

void AppendDays(std::string& text, SQLite::Database& db, const TargetSettings& target,
                std::int64_t now, std::int64_t hours) {
    const std::int64_t toHour = now / kSecondsPerHour + 1;
    std::vector<std::pair<std::int64_t, DayFigures>> days;
    for (const HourFigures& hour : ReadHours(db, HistoryKeyOf(target), toHour - hours, toHour)) {
        const std::int64_t day = hour.Hour * kSecondsPerHour / kSecondsPerDay;
        if (days.empty() || days.back().first != day)
            days.emplace_back(day, DayFigures{});
        DayFigures& figures = days.back().second;
        figures.Counts += hour.Counts;
        if (hour.LowMs)
            figures.LowMs = std::min(figures.LowMs.value_or(*hour.LowMs), *hour.LowMs);
        if (hour.HighMs)
            figures.HighMs = std::max(figures.HighMs.value_or(*hour.HighMs), *hour.HighMs);
        if (hour.MeanMs)
            figures.TotalMs +=
                *hour.MeanMs * static_cast<double>(hour.Counts.Attempts - hour.Counts.Failures);
    }
    for (const auto& [day, figures] : days) {
        const std::int64_t successes = figures.Counts.Attempts - figures.Counts.Failures;
        text += "  " + UtcTimestamp(day * kSecondsPerDay).substr(0, 10) + "  " +
                std::to_string(figures.Counts.Attempts) + " probes  " +
                std::to_string(figures.Counts.Failures) + " failed  " +
                UptimeText(figures.Counts.Uptime());
        if (successes > 0)
            text += "  low " + Optional(figures.LowMs, 0) + " ms  mean " +
                    Decimal(figures.TotalMs / static_cast<double>(successes), 1) + " ms  high " +
                    Optional(figures.HighMs, 0) + " ms";
        text += '\n';
    }
}

} // namespace

std::optional<std::int64_t> ParseHistorySpanHours(const std::string& text) {
    if (text.size() < 2)
        return std::nullopt;
    std::int64_t count = 0;
    const char* unit = text.data() + text.size() - 1;
    const auto [stop, error] = std::from_chars(text.data(), unit, count);
    if (error != std::errc{} || stop != unit || count < 1 || count > 100'000)
        return std::nullopt;
    switch (*unit) {
    case 'h':
        return count;
    case 'd':
        return count * 24;
    case 'y':
        return count * 24 * 365;
    default:
        return std::nullopt;
    }
}

std::string UptimeText(std::optional<double> uptime) {
    if (!uptime)
        return "-";
    return Decimal(*uptime * 100.0, 2) + "%";
}

std::string HistoryText(SQLite::Database& db, const std::vector<TargetSettings>& targets,
                        std::int64_t now, std::int64_t hours) {
    const auto uptimes = ReadUptimes(db, now);
    std::string text;
    for (const TargetSettings& target : targets) {
        text += TargetTitle(target);
        const auto found = uptimes.find(HistoryKeyOf(target));
        for (const UptimeWindow window : kUptimeWindows) {
            const ProbeCounts counts = found == uptimes.end()
                                           ? ProbeCounts{}
                                           : found->second[static_cast<std::size_t>(window)];
            text +=
                "  " + std::string(UptimeWindowName(window)) + " " + UptimeText(counts.Uptime());
        }
        text += '\n';
        AppendDays(text, db, target, now, hours);
    }
    return text;
}

std::string HistoryCsv(SQLite::Database& db, const std::vector<TargetSettings>& targets,
                       std::int64_t fromHour, std::int64_t toHour) {
    std::string text = "Target,Type,Hour,Probes,Failures,Uptime,Low ms,Mean ms,High ms,P95 ms\r\n";
    for (const TargetSettings& target : targets) {
        for (const HourFigures& hour : ReadHours(db, HistoryKeyOf(target), fromHour, toHour)) {
            AppendCsvField(text, target.ShownName());
            text += ',';
            AppendCsvField(text, target.Type);
            const std::optional<double> uptime = hour.Counts.Uptime();
            text += ',' + UtcTimestamp(hour.Hour * kSecondsPerHour) + ',' +
                    std::to_string(hour.Counts.Attempts) + ',' +
                    std::to_string(hour.Counts.Failures) + ',' +
                    (uptime ? Decimal(*uptime, 4) : std::string()) + ',' + Optional(hour.LowMs, 0) +
                    ',' + Optional(hour.MeanMs, 1) + ',' + Optional(hour.HighMs, 0) + ',' +
                    Optional(hour.P95Ms, 0) + "\r\n";
        }
    }
    return text;
}

} // namespace velnorix
