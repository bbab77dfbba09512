#include "engine/configuration.h"
#include "history/history_database.h"
#include "history/history_reader.h"
#include "history/history_writer.h"

#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// What keeping history costs: one cycle's rows appended, every target's uptime read, and the
// file a month of probing leaves, each beside the least SQLite can do for the same job.
namespace velnorix::bench {
namespace {

constexpr std::int64_t kStart = 1'800'000'000; // a Unix time on an hour's start
constexpr std::int64_t kInterval = 60;

// A history file in a fresh folder on disk, removed afterwards.
class ScratchHistory {
public:
    ScratchHistory()
        : m_folder(std::filesystem::temp_directory_path() /
                   ("velnorix-history-bench-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        Db = OpenHistoryDatabase(Path(), {}, kStart);
    }
    ~ScratchHistory() {
        Db.reset();
        std::filesystem::remove_all(m_folder);
    }
    ScratchHistory(const ScratchHistory&) = delete;
    ScratchHistory& operator=(const ScratchHistory&) = delete;

    [[nodiscard]] std::string Path() const { return (m_folder / "history.sqlite3").string(); }
    // The file with its WAL: what the folder holds.
    [[nodiscard]] std::uintmax_t Bytes() const {
        std::uintmax_t bytes = 0;
        for (const auto& file : std::filesystem::directory_iterator(m_folder))
            bytes += file.file_size();
        return bytes;
    }

    std::unique_ptr<SQLite::Database> Db;

private:
    std::filesystem::path m_folder;
};

// One cycle of pings to distinct hosts; one in fifty fails.
std::vector<HistoryRow> CycleRows(std::int64_t targets) {
    std::vector<HistoryRow> rows(static_cast<std::size_t>(targets));
    for (std::int64_t i = 0; i < targets; ++i) {
        HistoryRow& row = rows[static_cast<std::size_t>(i)];
        row.Type = "<Ping>";
        row.Name = "10." + std::to_string(i / 65'536) + "." + std::to_string(i / 256 % 256) + "." +
                   std::to_string(i % 256);
        row.Key = row.Type + '\t' + row.Name + "\t0\t";
        row.Failed = i % 50 == 0;
        row.Ms = static_cast<std::uint32_t>(5 + i % 40);
        row.State = row.Failed ? TargetState::Down : TargetState::Up;
        row.Reason = row.Failed ? "Request Timed Out" : "";
        row.Echoes = {.Sent = 1,
                      .Answered = row.Failed ? 0 : 1,
                      .LowMs = row.Ms,
                      .HighMs = row.Ms,
                      .MeanMs = static_cast<double>(row.Ms),
                      .MdevMs = 0};
    }
    return rows;
}

void AtTime(std::vector<HistoryRow>& rows, std::int64_t time) {
    for (HistoryRow& row : rows)
        row.Time = time;
}

void AppendCycle(benchmark::State& state) {
    ScratchHistory history;
    HistoryWriter writer(*history.Db);
    std::vector<HistoryRow> rows = CycleRows(state.range(0));
    std::int64_t time = kStart;
    AtTime(rows, time);
    writer.Append(rows); // the targets' own rows, once
    for (auto _ : state) {
        AtTime(rows, time += kInterval);
        writer.Append(rows);
    }
    state.counters["rows/s"] = benchmark::Counter(
        static_cast<double>(state.iterations() * state.range(0)), benchmark::Counter::kIsRate);
}
BENCHMARK(AppendCycle)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

// The least SQLite does for the same rows: one prepared insert into a table without an index,
// no figures, one transaction.
void AppendCycleBareInsert(benchmark::State& state) {
    ScratchHistory history;
    SQLite::Database& db = *history.Db;
    db.exec("CREATE TABLE bare(target INTEGER, time INTEGER, failed INTEGER, ms INTEGER, "
            "state TEXT, reason TEXT)");
    SQLite::Statement insert(db, "INSERT INTO bare VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
    const std::vector<HistoryRow> rows = CycleRows(state.range(0));
    std::int64_t time = kStart;
    for (auto _ : state) {
        time += kInterval;
        SQLite::Transaction transaction(db);
        std::int64_t target = 0;
        for (const HistoryRow& row : rows) {
            insert.reset();
            insert.bind(1, ++target);
            insert.bind(2, time);
            insert.bind(3, row.Failed ? 1 : 0);
            insert.bind(4, static_cast<std::int64_t>(row.Ms));
            insert.bind(5, std::string(StateName(row.State)));
            insert.bind(6, row.Reason);
            insert.exec();
        }
        transaction.commit();
    }
}
BENCHMARK(AppendCycleBareInsert)->Arg(1'000)->Arg(10'000)->Unit(benchmark::kMillisecond);

// Thirty days of hourly and daily figures for `targets`, made in SQL: the reads cost the same
// whichever way the rows came.
void FillMonthOfFigures(SQLite::Database& db, std::int64_t targets) {
    db.exec("WITH RECURSIVE t(id) AS (SELECT 1 UNION ALL SELECT id + 1 FROM t WHERE id < " +
            std::to_string(targets) +
            ") INSERT INTO targets(id, key, type, name) SELECT id, 'key' || id, '<Ping>', "
            "'host' || id FROM t");
    const std::int64_t firstHour = kStart / kSecondsPerHour - 30 * 24 + 1;
    db.exec("WITH RECURSIVE h(hour) AS (SELECT " + std::to_string(firstHour) +
            " UNION ALL SELECT hour + 1 FROM h WHERE hour < " +
            std::to_string(kStart / kSecondsPerHour) +
            ") INSERT INTO hourly SELECT hour, id, 60, id % 3, 5, 600, 40, 30 FROM h, targets");
    db.exec("INSERT INTO daily SELECT hour / 24, target, sum(attempts), sum(failures) FROM "
            "hourly GROUP BY hour / 24, target");
}

void UptimeOfEveryTarget(benchmark::State& state) {
    static ScratchHistory history;
    static const bool filled = (FillMonthOfFigures(*history.Db, state.range(0)), true);
    benchmark::DoNotOptimize(filled);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadUptimes(*history.Db, kStart + 1));
}
BENCHMARK(UptimeOfEveryTarget)->Arg(10'000)->Unit(benchmark::kMillisecond);

// Without daily figures: the 30 days summed from the hourly ones in one grouped query.
void UptimeFromHourlyFiguresOnly(benchmark::State& state) {
    static ScratchHistory history;
    static const bool filled = (FillMonthOfFigures(*history.Db, state.range(0)), true);
    benchmark::DoNotOptimize(filled);
    SQLite::Statement sums(*history.Db,
                           "SELECT target, sum(attempts), sum(failures) FROM hourly WHERE "
                           "hour >= ?1 GROUP BY target");
    for (auto _ : state) {
        sums.reset();
        sums.bind(1, kStart / kSecondsPerHour - 30 * 24 + 1);
        std::int64_t total = 0;
        while (sums.executeStep())
            total += sums.getColumn(1).getInt64();
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(UptimeFromHourlyFiguresOnly)->Arg(10'000)->Unit(benchmark::kMillisecond);

// A month of one probe a minute: the file's size at the end, and per day for 1,000 targets.
void MonthOfProbes(benchmark::State& state) {
    const std::int64_t targets = state.range(0);
    constexpr std::int64_t kDays = 30;
    for (auto _ : state) {
        ScratchHistory history;
        HistoryWriter writer(*history.Db);
        std::vector<HistoryRow> rows = CycleRows(targets);
        for (std::int64_t time = kStart; time < kStart + kDays * kSecondsPerDay;
             time += kInterval) {
            AtTime(rows, time);
            writer.Append(rows);
            if (time % kSecondsPerHour == 0) {
                writer.FinishHours(time);
                writer.Retain(time, kDefaultHistoryDays);
            }
        }
        history.Db->exec("PRAGMA wal_checkpoint(TRUNCATE)");
        const double bytes = static_cast<double>(history.Bytes());
        state.counters["MiB"] = bytes / (1024.0 * 1024.0);
        state.counters["MiB/day/1000 targets"] =
            bytes / (1024.0 * 1024.0) / kDays * 1000.0 / static_cast<double>(targets);
    }
}
BENCHMARK(MonthOfProbes)->Arg(1'000)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
