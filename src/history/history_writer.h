#pragma once

#include "engine/echo_figures.h"
#include "engine/target_state.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace velnorix {

inline constexpr std::int64_t kSecondsPerHour = 3'600;
inline constexpr std::int64_t kSecondsPerDay = 86'400;
// How long hourly and daily figures are kept, whatever HistoryDays says.
inline constexpr std::int64_t kFigureDays = 400;

// One probe as the history keeps it.
struct HistoryRow {
    std::string Key;  // HistoryKeyOf the target
    std::string Type; // its tag and name as shown, for reading the file by hand
    std::string Name;
    std::int64_t Time = 0; // when the probe ended, seconds since 1970
    bool Failed = false;
    std::uint32_t Ms = 0;
    TargetState State = TargetState::Unknown;
    std::string Reason;
    EchoFigures Echoes{}; // nothing sent: not a ping
};

// Writes the history: a cycle's rows with the hourly and daily figures they add to, the
// percentiles of finished hours, and the deletions of retention. Every call is one or more
// whole transactions, so a program killed at any point leaves every finished call in the file
// and no part of an unfinished one.
class HistoryWriter final {
public:
    explicit HistoryWriter(SQLite::Database& db);

    // All the rows or none; throws SQLite::Exception (SQLITE_BUSY when another writer held the
    // file longer than the busy time-out), and the caller may try the same rows again.
    void Append(const std::vector<HistoryRow>& rows);
    // Fills in the 95th percentile of the successes of every hour of the two days before
    // `now`'s hour that lacks it and still has its rows.
    void FinishHours(std::int64_t now);
    // Deletes the rows older than `days` days and the figures older than kFigureDays, in
    // transactions short enough not to hold up another writer, and gives the pages back.
    void Retain(std::int64_t now, std::int32_t days);

private:
    std::int64_t TargetId(const HistoryRow& row,
                          std::unordered_map<std::string, std::int64_t>& added);
    void DeleteResultsBefore(std::int64_t bound);

    SQLite::Database& m_db;
    SQLite::Statement m_addTarget;
    SQLite::Statement m_addResult;
    SQLite::Statement m_addToHour;
    SQLite::Statement m_addToDay;
    // Target ids by key, for keys whose row is committed.
    std::unordered_map<std::string, std::int64_t> m_ids;
};

} // namespace velnorix
