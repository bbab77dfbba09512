#include "base/date_time.h"
#include "history/history_database.h"
#include "history/history_reader.h"
#include "history/history_writer.h"
#include "support/temp_dir.h"

#include <SQLiteCpp/Statement.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace velnorix::kit {
namespace {

constexpr std::int64_t kNow = 1'800'000'000 + 1'800; // half past an hour

HistoryRow Row(const std::string& key, std::int64_t time, bool failed, std::uint32_t ms = 10) {
    HistoryRow row;
    row.Key = key;
    row.Type = "<SMTP>";
    row.Name = key;
    row.Time = time;
    row.Failed = failed;
    row.Ms = ms;
    row.State = failed ? TargetState::Down : TargetState::Up;
    row.Reason = failed ? "Socket Error # 111 Connection refused" : "";
    return row;
}

std::int64_t Count(SQLite::Database& db, const std::string& query) {
    return db.execAndGet(query).getInt64();
}

class HistoryStoreTest : public testing::Test {
protected:
    std::unique_ptr<SQLite::Database> Open() {
        return OpenHistoryDatabase(
            m_path, [this](const std::string& text) { m_told += text; }, kNow);
    }

    TempDir m_dir;
    std::string m_path = m_dir.File("velnorix-history.sqlite3");
    std::string m_told;
};

// A file that cannot be this program's history is moved aside whole, never deleted, and a new
// database takes its place.
TEST_F(HistoryStoreTest, AnUnusableFileIsSetAsideAndANewOneStarted) {
    const auto makeNewer = [](const std::string& path) {
        SQLite::Database(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
            .exec("PRAGMA user_version = 99");
    };
    const auto makeForeign = [](const std::string& path) {
        SQLite::Database(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE)
            .exec("CREATE TABLE notes(text)");
    };
    const auto makeGarbage = [](const std::string& path) {
        WriteWholeFile(path, std::string(8192, 'x'));
    };
    const struct {
        const char* Name;
        std::function<void(const std::string&)> Make;
        const char* Why;
    } cases[] = {{"garbage", makeGarbage, "file is not a database"},
                 {"newer", makeNewer, "newer version of Velnorix (schema 99)"},
                 {"foreign", makeForeign, "tables that are not Velnorix history"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(m_dir.Path());
        std::filesystem::create_directories(m_dir.Path());
        m_told.clear();
        c.Make(m_path);
        const std::string before = ReadWholeFile(m_path);
        const auto db = Open();
        HistoryWriter(*db).Append({Row("a", kNow, false)});
        EXPECT_EQ(Count(*db, "SELECT count(*) FROM results"), 1);
        const std::string aside = m_path + ".set-aside-" + UtcTimestamp(kNow);
        EXPECT_EQ(ReadWholeFile(aside), before);
        EXPECT_NE(m_told.find(c.Why), std::string::npos) << m_told;
        EXPECT_NE(m_told.find(aside), std::string::npos) << m_told;
    }
}

// Rows go when older than HistoryDays, figures when their whole hour or day is older than 400
// days; nothing a second younger goes.
TEST_F(HistoryStoreTest, RetentionDeletesExactlyWhatIsOlderThanItsBound) {
    const auto db = Open();
    HistoryWriter writer(*db);
    const std::int64_t rowBound = kNow - 2 * kSecondsPerDay;
    const std::int64_t figureBound = kNow - kFigureDays * kSecondsPerDay;
    for (const std::int64_t time : {rowBound - 1, rowBound, rowBound + 1, figureBound - 3'601,
                                    figureBound - 1, figureBound + 1})
        writer.Append({Row("a", time, false)});
    writer.Retain(kNow, 2);
    SQLite::Statement rows(*db, "SELECT time FROM results ORDER BY time");
    std::vector<std::int64_t> kept;
    while (rows.executeStep())
        kept.push_back(rows.getColumn(0).getInt64());
    EXPECT_EQ(kept, (std::vector<std::int64_t>{rowBound, rowBound + 1}));
    // The hour of figureBound - 1 ends after the bound; the one before it does not.
    EXPECT_EQ(Count(*db, "SELECT min(hour) FROM hourly"), (figureBound - 1) / kSecondsPerHour);
    EXPECT_EQ(Count(*db, "SELECT min(day) FROM daily"), figureBound / kSecondsPerDay);
}

// The figures read back: the percentile of a finished hour, and each window counting only its
// own hours and days.
TEST_F(HistoryStoreTest, UptimeWindowsAndPercentilesComeFromTheFigures) {
    const auto db = Open();
    HistoryWriter writer(*db);
    const std::int64_t lastHour = (kNow / kSecondsPerHour - 1) * kSecondsPerHour;
    std::vector<HistoryRow> hour;
    for (std::uint32_t ms = 1; ms <= 100; ++ms)
        hour.push_back(Row("a", lastHour + ms, false, ms));
    hour.push_back(Row("a", lastHour + 200, true));
    writer.Append(hour);
    writer.Append({Row("a", kNow - 25 * kSecondsPerHour, true)}); // outside 24 h only
    writer.Append({Row("a", kNow - 8 * kSecondsPerDay, true)});   // inside 30 d only
    writer.Append({Row("b", kNow - 31 * kSecondsPerDay, true)});  // in no window
    writer.FinishHours(kNow);

    const auto figures = ReadHours(*db, "a", lastHour / kSecondsPerHour, kNow / kSecondsPerHour);
    ASSERT_EQ(figures.size(), 1U);
    EXPECT_EQ(figures[0].Counts, (ProbeCounts{101, 1}));
    EXPECT_EQ(figures[0].LowMs, 1);
    EXPECT_EQ(figures[0].HighMs, 100);
    EXPECT_DOUBLE_EQ(*figures[0].MeanMs, 50.5);
    EXPECT_EQ(figures[0].P95Ms, 95);

    const auto uptimes = ReadUptimes(*db, kNow);
    const UptimeCounts& a = uptimes.at("a");
    EXPECT_EQ(a[0], (ProbeCounts{101, 1}));
    EXPECT_EQ(a[1], (ProbeCounts{102, 2}));
    EXPECT_EQ(a[2], (ProbeCounts{103, 3}));
    EXPECT_FALSE(uptimes.contains("b"));
}

// A window and a console monitor share one file: two writers on their own connections, each
// appending cycles while the other does, lose nothing.
TEST_F(HistoryStoreTest, TwoWritersAtOnceLoseNoRow) {
    Open(); // the schema, once
    constexpr int kCycles = 200;
    const auto write = [this](const std::string& key) {
        const auto db = Open();
        HistoryWriter writer(*db);
        for (int cycle = 0; cycle < kCycles; ++cycle)
            writer.Append({Row(key, kNow + cycle, cycle % 4 == 0), Row(key + "2", kNow, false)});
    };
    std::thread window(write, "window");
    std::thread console(write, "console");
    window.join();
    console.join();
    const auto db = Open();
    EXPECT_EQ(Count(*db, "SELECT count(*) FROM results"), 4 * kCycles);
    EXPECT_EQ(Count(*db, "SELECT sum(attempts) FROM daily"), 4 * kCycles);
    EXPECT_EQ(Count(*db, "SELECT sum(failures) FROM hourly"), 2 * kCycles / 4);
    EXPECT_TRUE(m_told.empty()) << m_told;
}

} // namespace
} // namespace velnorix::kit
