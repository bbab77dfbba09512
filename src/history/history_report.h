#pragma once

#include "engine/target_settings.h"

#include <SQLiteCpp/Database.h>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velnorix {

// A span of history given on a command line: "36h", "7d", "1y"; nothing when it is not one.
std::optional<std::int64_t> ParseHistorySpanHours(const std::string& text);

// For each target, its uptime over the last 24 hours, 7 days and 30 days, then a line per UTC
// day of the last `hours` hours that has probes: counts, uptime and response times.
std::string HistoryText(SQLite::Database& db, const std::vector<TargetSettings>& targets,
                        std::int64_t now, std::int64_t hours);

// The hourly figures of the targets from `fromHour` up to but not including `toHour`, as CSV
// with a header line; times with a dot whatever the locale, hours in UTC.
std::string HistoryCsv(SQLite::Database& db, const std::vector<TargetSettings>& targets,
                       std::int64_t fromHour, std::int64_t toHour);

// "99.95%", or "-" without a probe.
std::string UptimeText(std::optional<double> uptime);

} // namespace velnorix
