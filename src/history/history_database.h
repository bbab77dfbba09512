#pragma once

#include <SQLiteCpp/Database.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The history database, `velnorix-history.sqlite3` in the log folder:
//
//   targets  id, key (what is probed: type, address, port, user), type, name (as last shown)
//   results  target, time, failed, ms, state, reason, and for pings sent, answered and the
//            round trips low, mean, high and mdev; one row per probe, kept HistoryDays
//   hourly   target, hour, attempts, failures, and of the successes low, total, high and the
//            95th percentile; kept 400 days
//   daily    target, day, attempts, failures; kept 400 days
//
// Times are seconds since 1970, hours and days counted from then in UTC. WAL journal, so a
// window and a console monitor may write it at once; incremental auto-vacuum, so deleted rows
// give their pages back without a VACUUM.
namespace velnorix {

inline constexpr std::string_view kHistoryFileName = "velnorix-history.sqlite3";
// PRAGMA user_version of the schema this program writes.
inline constexpr std::int32_t kHistorySchemaVersion = 1;
// How long a writer waits for another one's transaction before it tries again later.
inline constexpr std::int32_t kHistoryBusyMs = 5'000;

// Told what happened to a database that could not be used, as one line of plain text.
using HistoryMessage = std::function<void(const std::string&)>;

// The database at `path`, created with its schema when missing. A file that is not a history
// database, is damaged or comes from a newer version is renamed to
// "<path>.set-aside-<UTC time>" (never deleted, its WAL alongside), `tell` says so, and a new
// one is started. Throws SQLite::Exception only when no database can be opened at all.
std::unique_ptr<SQLite::Database> OpenHistoryDatabase(const std::string& path,
                                                      const HistoryMessage& tell, std::int64_t now);

// Whether an error says the file is damaged or not a database at all.
bool IsHistoryDamage(const SQLite::Exception& error);

// Renames the database at `path` with its WAL to "<path>.set-aside-<UTC time>", so that a new
// one can start there; returns the new name.
std::string SetAsideHistoryDatabase(const std::string& path, std::int64_t now);

// Opens an existing history database for reading only; nothing when it is missing or cannot
// be read as one.
std::unique_ptr<SQLite::Database> OpenHistoryForReading(const std::string& path);

} // namespace velnorix
