#include "history/history_reader.h"

#include "history/history_writer.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <type_traits>

namespace velnorix {

namespace {

constexpr std::int64_t kWeekDays = 7;
constexpr std::int64_t kMonthDays = 30;
constexpr std::int64_t kDayHours = 24;

std::unordered_map<std::int64_t, std::string> KeysById(SQLite::Database& db) {
    std::unordered_map<std::int64_t, std::string> keys;
    SQLite::Statement all(db, "SELECT id, key FROM targets");
    while (all.executeStep())
        keys.emplace(all.getColumn(0).getInt64(), all.getColumn(1).getString());
    return keys;
}

template <typename Value>
std::optional<Value> Optional(const SQLite::Column& column) {
    if (column.isNull())
        return std::nullopt;
    if constexpr (std::is_same_v<Value, double>)
        return column.getDouble();
    else
        return column.getInt64();
}

} // namespace

std::optional<double> ProbeCounts::Uptime() const {
    if (Attempts == 0)
        return std::nullopt;
    return static_cast<double>(Attempts - Failures) / static_cast<double>(Attempts);
}

std::string_view UptimeWindowName(UptimeWindow window) {
    switch (window) {
    case UptimeWindow::Day:
        return "24h";
    case UptimeWindow::Week:
        return "7d";
    case UptimeWindow::Month:
        return "30d";
    }
    return "";
}

std::unordered_map<std::string, UptimeCounts> ReadUptimes(SQLite::Database& db, std::int64_t now) {
    // One read transaction, so a writer committing between the two scans cannot be half seen.
    SQLite::Transaction reading(db);
    std::unordered_map<std::int64_t, UptimeCounts> byId;
    const std::int64_t today = now / kSecondsPerDay;
    SQLite::Statement days(db, "SELECT target, day, attempts, failures FROM daily WHERE day >= ?1");
    days.bind(1, today - kMonthDays + 1);
    while (days.executeStep()) {
        const ProbeCounts counts{days.getColumn(2).getInt64(), days.getColumn(3).getInt64()};
        UptimeCounts& target = byId[days.getColumn(0).getInt64()];
        target[static_cast<std::size_t>(UptimeWindow::Month)] += counts;
        if (days.getColumn(1).getInt64() > today - kWeekDays)
            target[static_cast<std::size_t>(UptimeWindow::Week)] += counts;
    }
    SQLite::Statement hours(db, "SELECT target, attempts, failures FROM hourly WHERE hour >= ?1");
    hours.bind(1, now / kSecondsPerHour - kDayHours + 1);
    while (hours.executeStep())
        byId[hours.getColumn(0).getInt64()][static_cast<std::size_t>(UptimeWindow::Day)] +=
            ProbeCounts{hours.getColumn(1).getInt64(), hours.getColumn(2).getInt64()};
    const std::unordered_map<std::int64_t, std::string> keys = KeysById(db);
    reading.commit();
    std::unordered_map<std::string, UptimeCounts> byKey;
    for (const auto& [id, counts] : byId)
        if (const auto key = keys.find(id); key != keys.end())
            byKey.emplace(key->second, counts);
    return byKey;
}

std::vector<HourFigures> ReadHours(SQLite::Database& db, std::string_view key,
                                   std::int64_t fromHour, std::int64_t toHour) {
    SQLite::Statement hours(
        db, "SELECT hour, attempts, failures, low, total, high, p95 FROM hourly "
            "WHERE target = (SELECT id FROM targets WHERE key = ?1) AND hour >= ?2 AND hour < ?3 "
            "ORDER BY hour");
    hours.bind(1, std::string(key));
    hours.bind(2, fromHour);
    hours.bind(3, toHour);
    std::vector<HourFigures> figures;
    while (hours.executeStep()) {
        HourFigures hour;
        hour.Hour = hours.getColumn(0).getInt64();
        hour.Counts = {hours.getColumn(1).getInt64(), hours.getColumn(2).getInt64()};
        hour.LowMs = Optional<std::int64_t>(hours.getColumn(3));
        const std::int64_t successes = hour.Counts.Attempts - hour.Counts.Failures;
        if (successes > 0)
            hour.MeanMs =
                static_cast<double>(hours.getColumn(4).getInt64()) / static_cast<double>(successes);
        hour.HighMs = Optional<std::int64_t>(hours.getColumn(5));
        hour.P95Ms = Optional<std::int64_t>(hours.getColumn(6));
        figures.push_back(hour);
    }
    return figures;
}

} // namespace velnorix
