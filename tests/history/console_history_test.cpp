#include "cli/console_rig.h"
#include "history/history_database.h"

#include <SQLiteCpp/Statement.h>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <thread>

namespace velnorix::kit {
namespace {

using namespace std::chrono_literals;

// Rows per target in the history the monitor left; empty while there is no database yet.
std::map<std::string, std::int64_t> RowsByTarget(const std::string& path) {
    std::map<std::string, std::int64_t> rows;
    const auto db = OpenHistoryForReading(path);
    if (!db)
        return rows;
    SQLite::Statement counts(*db, "SELECT name, count(*) FROM results JOIN targets ON "
                                  "targets.id = results.target GROUP BY name");
    while (counts.executeStep())
        rows[counts.getColumn(0).getString()] = counts.getColumn(1).getInt64();
    return rows;
}

// The monitor killed outright in the middle of a cycle leaves every cycle it finished in the
// history, and no row of the one it was in; --history then reads what it left.
TEST_F(ConsoleMonitorTest, AKilledMonitorLeavesEveryFinishedCycleAndNoPartOfTheNext) {
    // The last target greets after a pause, so most of each cycle is spent waiting on it,
    // after the two refused ones have been recorded.
    LoopbackServer slow(
        [](Connection& connection) {
            connection.Pause(300ms);
            connection.SendLine("220 mail.test ready");
            connection.ReadLine();
            connection.SendLine("250 mail.test");
            connection.ReadLine();
            connection.Close();
        },
        5s);
    const std::string config = m_dir.File("history.ini");
    WriteWholeFile(config, TargetsConfig(0, false, {1, 2, slow.Port()}));
    const std::string history = m_dir.File("velnorix-history.sqlite3");
    auto monitor = Start({config, "--cycles", "1000", "--no-reasons"});
    std::map<std::string, std::int64_t> rows;
    for (int wait = 0; wait < 300 && (rows.empty() || rows.begin()->second < 3); ++wait) {
        std::this_thread::sleep_for(50ms);
        rows = RowsByTarget(history);
    }
    // Into the next cycle: its refused probes are done, the slow one is under way.
    std::this_thread::sleep_for(150ms);
    monitor->Signal(SIGKILL);
    monitor->Wait(10s);

    rows = RowsByTarget(history);
    ASSERT_EQ(rows.size(), 3U);
    const std::int64_t cycles = rows.at("127.0.0.1:1");
    EXPECT_GE(cycles, 3);
    for (const auto& [name, count] : rows)
        EXPECT_EQ(count, cycles) << name;

    auto report = Start({config, "--history", "--csv", "--since", "2h", "--target", "3"});
    ASSERT_EQ(report->Wait(10s), 0) << report->Errors();
    std::int64_t probes = 0;
    std::istringstream lines(report->Output());
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Target,Type,Hour,Probes,Failures,Uptime,Low ms,Mean ms,High ms,P95 ms\r");
    while (std::getline(lines, line)) {
        EXPECT_TRUE(line.starts_with("127.0.0.1:" + std::to_string(slow.Port()) + ",<SMTP>,"))
            << line;
        probes += std::stoll(line.substr(line.find(",20") + 22));
    }
    EXPECT_EQ(probes, cycles);
}

} // namespace
} // namespace velnorix::kit
