#include "history/history_database.h"

#include "base/date_time.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <filesystem>
#include <sqlite3.h>
#include <stdexcept>
#include <system_error>

namespace velnorix {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE targets(id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, type TEXT NOT NULL,
                     name TEXT NOT NULL);
CREATE TABLE results(target INTEGER NOT NULL, time INTEGER NOT NULL, failed INTEGER NOT NULL,
                     ms INTEGER NOT NULL, state TEXT NOT NULL, reason TEXT NOT NULL,
                     sent INTEGER, answered INTEGER, rtt_low INTEGER, rtt_mean REAL,
                     rtt_high INTEGER, rtt_mdev REAL);
CREATE INDEX results_by_time ON results(time);
CREATE TABLE hourly(hour INTEGER NOT NULL, target INTEGER NOT NULL, attempts INTEGER NOT NULL,
                    failures INTEGER NOT NULL, low INTEGER, total INTEGER NOT NULL,
                    high INTEGER, p95 INTEGER, PRIMARY KEY(hour, target)) WITHOUT ROWID;
CREATE INDEX hourly_by_target ON hourly(target, hour);
CREATE TABLE daily(day INTEGER NOT NULL, target INTEGER NOT NULL, attempts INTEGER NOT NULL,
                   failures INTEGER NOT NULL, PRIMARY KEY(day, target)) WITHOUT ROWID;
)sql";

// A file that opens but cannot serve as this program's history.
class UnusableHistory final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace

// Damage shows at the first read of the schema, or at any later statement.
bool IsHistoryDamage(const SQLite::Exception& error) {
    const int code = error.getErrorCode() & 0xff;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

namespace {

std::int32_t SchemaVersion(SQLite::Database& db) {
    return db.execAndGet("PRAGMA user_version").getInt();
}

void CreateSchema(SQLite::Database& db) {
    // Only takes effect before the first table, which is what a new file needs.
    db.exec("PRAGMA auto_vacuum = INCREMENTAL");
    db.execAndGet("PRAGMA journal_mode = WAL");
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);
    // Another monitor may have made it while this one waited for the lock.
    if (SchemaVersion(db) == 0) {
        db.exec(kSchema);
        db.exec("PRAGMA user_version = " + std::to_string(kHistorySchemaVersion));
    }
    transaction.commit();
}

std::unique_ptr<SQLite::Database> OpenOrCreate(const std::string& path) {
    auto db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE,
                                                 kHistoryBusyMs);
    const std::int32_t version = SchemaVersion(*db);
    if (version > kHistorySchemaVersion)
        throw UnusableHistory("it was written by a newer version of Velnorix (schema " +
                              std::to_string(version) + ")");
    if (version == 0) {
        if (db->execAndGet("SELECT count(*) FROM sqlite_schema").getInt() != 0)
            throw UnusableHistory("it holds tables that are not Velnorix history");
        CreateSchema(*db);
    }
    db->execAndGet("PRAGMA journal_mode = WAL");
    // In WAL mode a committed cycle survives the program being killed; only a power cut can
    // take the last ones.
    db->exec("PRAGMA synchronous = NORMAL");
    return db;
}

} // namespace

// The WAL must go with the file, or the new database would take the old one's pages.
std::string SetAsideHistoryDatabase(const std::string& path, std::int64_t now) {
    std::string aside = path + ".set-aside-" + UtcTimestamp(now);
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code ignored;
        if (std::filesystem::exists(path + suffix, ignored))
            std::filesystem::rename(path + suffix, aside + suffix);
    }
    return aside;
}

std::unique_ptr<SQLite::Database>
OpenHistoryDatabase(const std::string& path, const HistoryMessage& tell, std::int64_t now) {
    std::string why;
    try {
        return OpenOrCreate(path);
    } catch (const UnusableHistory& error) {
        why = error.what();
    } catch (const SQLite::Exception& error) {
        if (!IsHistoryDamage(error))
            throw;
        why = error.what();
    }
    const std::string aside = SetAsideHistoryDatabase(path, now);
    if (tell)
        tell("History database " + path + " could not be used (" + why + "); it was moved to " +
             aside + " and a new one started");
    return OpenOrCreate(path);
}

std::unique_ptr<SQLite::Database> OpenHistoryForReading(const std::string& path) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored))
        return nullptr;
    try {
        auto db = std::make_unique<SQLite::Database>(path, SQLite::OPEN_READONLY, kHistoryBusyMs);
        if (SchemaVersion(*db) != kHistorySchemaVersion)
            return nullptr;
        return db;
    } catch (const SQLite::Exception&) {
        return nullptr;
    }
}

} // namespace velnorix
