#include "history/history_writer.h"

#include <SQLiteCpp/Transaction.h>
#include <algorithm>

namespace velnorix {

namespace {

// Rows deleted per transaction: a few tens of milliseconds, well inside another writer's busy
// time-out.
constexpr std::int64_t kDeleteStep = 20'000;
// How far back FinishHours looks for an hour left unfinished, by a stop or a busy file.
constexpr std::int64_t kFinishHoursBack = 48;

// Nearest rank: the smallest time that at least 95% of the successes took no longer than.
std::int64_t Percentile95(const std::vector<std::int64_t>& sorted) {
    const std::size_t rank = (sorted.size() * 95 + 99) / 100;
    return sorted[std::max<std::size_t>(rank, 1) - 1];
}

} // namespace

HistoryWriter::HistoryWriter(SQLite::Database& db)
    : m_db(db), m_addTarget(db, "INSERT INTO targets(key, type, name) VALUES(?1, ?2, ?3) "
                                "ON CONFLICT(key) DO UPDATE SET name = excluded.name RETURNING id"),
      m_addResult(db, "INSERT INTO results(target, time, failed, ms, state, reason, sent, "
                      "answered, rtt_low, rtt_mean, rtt_high, rtt_mdev) "
                      "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)"),
      // The times of failures are not response times: they count only as attempts.
      m_addToHour(db, "INSERT INTO hourly(hour, target, attempts, failures, low, total, high) "
                      "VALUES(?1, ?2, 1, ?3, ?4, coalesce(?4, 0), ?4) "
                      "ON CONFLICT(hour, target) DO UPDATE SET attempts = attempts + 1, "
                      "failures = failures + excluded.failures, "
                      "low = min(coalesce(low, excluded.low), coalesce(excluded.low, low)), "
                      "total = total + excluded.total, "
                      "high = max(coalesce(high, excluded.high), coalesce(excluded.high, high))"),
      m_addToDay(db, "INSERT INTO daily(day, target, attempts, failures) VALUES(?1, ?2, 1, ?3) "
                     "ON CONFLICT(day, target) DO UPDATE SET attempts = attempts + 1, "
                     "failures = failures + excluded.failures") {}

std::int64_t HistoryWriter::TargetId(const HistoryRow& row,
                                     std::unordered_map<std::string, std::int64_t>& added) {
    if (const auto known = m_ids.find(row.Key); known != m_ids.end())
        return known->second;
    if (const auto known = added.find(row.Key); known != added.end())
        return known->second;
    m_addTarget.reset();
    m_addTarget.bind(1, row.Key);
    m_addTarget.bind(2, row.Type);
    m_addTarget.bind(3, row.Name);
    m_addTarget.executeStep();
    const std::int64_t id = m_addTarget.getColumn(0).getInt64();
    // Drains the statement, so it releases its hold on the table.
    while (m_addTarget.executeStep()) {
    }
    added.emplace(row.Key, id);
    return id;
}

void HistoryWriter::Append(const std::vector<HistoryRow>& rows) {
    // IMMEDIATE takes the write lock at once, waiting out another writer, rather than failing
    // half way when both try to upgrade a read.
    SQLite::Transaction transaction(m_db, SQLite::TransactionBehavior::IMMEDIATE);
    // Ids of targets new in this transaction are kept only once it commits.
    std::unordered_map<std::string, std::int64_t> added;
    for (const HistoryRow& row : rows) {
        const std::int64_t target = TargetId(row, added);
        m_addResult.reset();
        m_addResult.clearBindings();
        m_addResult.bind(1, target);
        m_addResult.bind(2, row.Time);
        m_addResult.bind(3, row.Failed ? 1 : 0);
        m_addResult.bind(4, static_cast<std::int64_t>(row.Ms));
        m_addResult.bind(5, std::string(StateName(row.State)));
        m_addResult.bind(6, row.Reason);
        if (row.Echoes.Sent != 0) {
            m_addResult.bind(7, row.Echoes.Sent);
            m_addResult.bind(8, row.Echoes.Answered);
            if (row.Echoes.Answered != 0) {
                m_addResult.bind(9, static_cast<std::int64_t>(row.Echoes.LowMs));
                m_addResult.bind(10, row.Echoes.MeanMs);
                m_addResult.bind(11, static_cast<std::int64_t>(row.Echoes.HighMs));
                m_addResult.bind(12, row.Echoes.MdevMs);
            }
        }
        m_addResult.exec();

        m_addToHour.reset();
        m_addToHour.clearBindings();
        m_addToHour.bind(1, row.Time / kSecondsPerHour);
        m_addToHour.bind(2, target);
        m_addToHour.bind(3, row.Failed ? 1 : 0);
        if (!row.Failed)
            m_addToHour.bind(4, static_cast<std::int64_t>(row.Ms));
        m_addToHour.exec();

        m_addToDay.reset();
        m_addToDay.bind(1, row.Time / kSecondsPerDay);
        m_addToDay.bind(2, target);
        m_addToDay.bind(3, row.Failed ? 1 : 0);
        m_addToDay.exec();
    }
    transaction.commit();
    m_ids.merge(added);
}

void HistoryWriter::FinishHours(std::int64_t now) {
    const std::int64_t thisHour = now / kSecondsPerHour;
    std::vector<std::int64_t> hours;
    {
        SQLite::Statement open(m_db, "SELECT DISTINCT hour FROM hourly WHERE hour >= ?1 AND "
                                     "hour < ?2 AND p95 IS NULL AND attempts > failures");
        open.bind(1, thisHour - kFinishHoursBack);
        open.bind(2, thisHour);
        while (open.executeStep())
            hours.push_back(open.getColumn(0).getInt64());
    }
    SQLite::Statement times(m_db, "SELECT target, ms FROM results WHERE time >= ?1 AND "
                                  "time < ?2 AND failed = 0 ORDER BY target, ms");
    SQLite::Statement update(m_db, "UPDATE hourly SET p95 = ?3 WHERE hour = ?1 AND target = ?2");
    for (const std::int64_t hour : hours) {
        SQLite::Transaction transaction(m_db, SQLite::TransactionBehavior::IMMEDIATE);
        times.reset();
        times.bind(1, hour * kSecondsPerHour);
        times.bind(2, (hour + 1) * kSecondsPerHour);
        std::vector<std::int64_t> sorted;
        std::int64_t target = -1;
        const auto finish = [&] {
            if (sorted.empty())
                return;
            update.reset();
            update.bind(1, hour);
            update.bind(2, target);
            update.bind(3, Percentile95(sorted));
            update.exec();
            sorted.clear();
        };
        while (times.executeStep()) {
            const std::int64_t rowTarget = times.getColumn(0).getInt64();
            if (rowTarget != target) {
                finish();
                target = rowTarget;
            }
            sorted.push_back(times.getColumn(1).getInt64());
        }
        finish();
        transaction.commit();
    }
}

void HistoryWriter::DeleteResultsBefore(std::int64_t bound) {
    SQLite::Statement step(m_db, "DELETE FROM results WHERE rowid IN (SELECT rowid FROM results "
                                 "WHERE time < ?1 LIMIT " +
                                     std::to_string(kDeleteStep) + ")");
    step.bind(1, bound);
    do
        step.reset();
    while (step.exec() == kDeleteStep);
}

void HistoryWriter::Retain(std::int64_t now, std::int32_t days) {
    DeleteResultsBefore(now - days * kSecondsPerDay);
    // A figure goes once the whole of its hour or day is older than the bound.
    const std::int64_t figuresFrom = now - kFigureDays * kSecondsPerDay;
    SQLite::Statement hours(m_db, "DELETE FROM hourly WHERE hour < ?1");
    hours.bind(1, figuresFrom / kSecondsPerHour);
    hours.exec();
    SQLite::Statement daysGone(m_db, "DELETE FROM daily WHERE day < ?1");
    daysGone.bind(1, figuresFrom / kSecondsPerDay);
    daysGone.exec();
    m_db.exec("PRAGMA incremental_vacuum");
}

} // namespace velnorix
