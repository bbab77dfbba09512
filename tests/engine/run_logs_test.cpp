#include "base/text_file.h"
#include "engine/run_log_names.h"
#include "engine_rig.h"
#include "support/case_names.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace velnorix {
namespace {

using kit::EngineRig;
using kit::NamedCase;
using kit::ReadWholeFile;
using kit::ScriptedCall;
using kit::WriteWholeFile;

// What someone else put at a log's name: a link to a file of theirs, a link to where a file
// of theirs would go, or a named pipe.
enum class Planted { LinkToFile, DanglingLink, Pipe };

struct PlantedCase {
    const char* Name;
    Planted What;
    const char* Extension; // the log whose name is taken
};

// The rig with one scripted target; the clock stands at 14:03:27, so the run's first choice of
// names is "Velnorix261206140327".
class RunLogsTest : public testing::Test {
protected:
    RunLogsTest() {
        m_rig.AddTarget("<Ping>", "192.0.2.10");
        m_rig.Probes.Script.Set("EchoExchange", "192.0.2.10",
                                ScriptedCall{1000, false, ReplyStatusKind::Echo, {}});
    }

    [[nodiscard]] std::string Victim() const { return m_rig.Dir.File("victim"); }

    void Plant(Planted what, const std::string& at) const {
        if (what == Planted::Pipe) {
            ASSERT_EQ(::mkfifo(at.c_str(), 0666), 0);
            return;
        }
        if (what == Planted::LinkToFile)
            WriteWholeFile(Victim(), "precious");
        ASSERT_EQ(::symlink(Victim().c_str(), at.c_str()), 0);
    }

    // The planted thing is still there, as it was, and nothing was written through it.
    void ExpectUntouched(Planted what, const std::string& at) const {
        struct stat info {};
        ASSERT_EQ(::lstat(at.c_str(), &info), 0) << at;
        if (what == Planted::Pipe) {
            EXPECT_TRUE(S_ISFIFO(info.st_mode));
            return;
        }
        EXPECT_TRUE(S_ISLNK(info.st_mode));
        if (what == Planted::LinkToFile)
            EXPECT_EQ(ReadWholeFile(Victim()), "precious");
        else
            EXPECT_NE(::access(Victim().c_str(), F_OK), 0) << "the link's target was created";
    }

    EngineRig m_rig;
};

class PlantedAtStartTest : public RunLogsTest, public testing::WithParamInterface<PlantedCase> {};
using PlantedDuringRunTest = PlantedAtStartTest;

TEST_P(PlantedAtStartTest, TheRunTakesTheNextSecondsNamesAndLeavesItAlone) {
    const PlantedCase& c = GetParam();
    const std::string taken = m_rig.Dir.File(std::string("Velnorix261206140327") + c.Extension);
    Plant(c.What, taken);

    m_rig.Scheduler.StartTestRun();

    ExpectUntouched(c.What, taken);
    EXPECT_EQ(m_rig.Model.DetailLogName, m_rig.Dir.File("Velnorix261206140328.log"));
    EXPECT_EQ(m_rig.Model.SummaryLogName, m_rig.Dir.File("Velnorix261206140328.smy"));
    EXPECT_EQ(m_rig.Model.CycleCount, 1);
    EXPECT_EQ(m_rig.DetailLog().substr(0, 5), "   1 ");
    // Of the taken second's pair, nothing of ours is left behind.
    for (const char* extension : {".log", ".smy"}) {
        const std::string name = m_rig.Dir.File(std::string("Velnorix261206140327") + extension);
        if (name != taken) {
            EXPECT_FALSE(FileExists(name)) << name;
        }
    }
    for (const std::string& log : {m_rig.Model.DetailLogName, m_rig.Model.SummaryLogName}) {
        struct stat info {};
        ASSERT_EQ(::lstat(log.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0600U) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(Names, PlantedAtStartTest,
                         testing::Values(PlantedCase{"LinkAtDetail", Planted::LinkToFile, ".log"},
                                         PlantedCase{"DanglingLinkAtSummary", Planted::DanglingLink,
                                                     ".smy"},
                                         PlantedCase{"PipeAtSummary", Planted::Pipe, ".smy"}),
                         NamedCase{});

TEST_P(PlantedDuringRunTest, TheNextCycleRefusesTheNameInsteadOfWritingThroughIt) {
    const PlantedCase& c = GetParam();
    m_rig.Scheduler.StartTestRun();
    const std::string log =
        c.Extension == std::string(".log") ? m_rig.Model.DetailLogName : m_rig.Model.SummaryLogName;
    ASSERT_EQ(::unlink(log.c_str()), 0);
    Plant(c.What, log);

    EXPECT_THROW(m_rig.Tick(), FileError);

    ExpectUntouched(c.What, log);
}

INSTANTIATE_TEST_SUITE_P(Names, PlantedDuringRunTest,
                         testing::Values(PlantedCase{"LinkAtSummary", Planted::LinkToFile, ".smy"},
                                         PlantedCase{"DanglingLinkAtDetail", Planted::DanglingLink,
                                                     ".log"},
                                         PlantedCase{"PipeAtDetail", Planted::Pipe, ".log"}),
                         NamedCase{});

TEST_F(RunLogsTest, NamesTakenForEverySecondOfTheWaitEndTheStartWithAnError) {
    const double start = ToDayCount({2026, 12, 6, 14, 3, 27, 0});
    for (int taken = 0; taken < kLogNameAttempts; ++taken) {
        const LocalDateTime second = FromDayCount(start + taken / 86'400.0);
        WriteWholeFile(RunLogNamesFor(m_rig.Dir.Path(), second).Summary, "theirs");
    }

    EXPECT_THROW(m_rig.Scheduler.StartTestRun(), FileError);
    EXPECT_EQ(m_rig.Model.CycleCount, 0);
    EXPECT_FALSE(m_rig.Timer1.Enabled());
}

TEST_F(RunLogsTest, RetentionDeletesOnlyItsOwnOldLogsAtARunsStartAndThenOnceADay) {
    namespace fs = std::filesystem;
    const auto written = [this](const std::string& name, std::chrono::hours ago) {
        const std::string path = m_rig.Dir.File(name);
        if (!fs::exists(path))
            WriteWholeFile(path, "x");
        const auto now = std::chrono::system_clock::time_point(
            std::chrono::seconds(m_rig.Clock.SecondsSinceEpoch()));
        fs::last_write_time(path, std::chrono::file_clock::from_sys(now - ago));
        return path;
    };
    using days = std::chrono::days;
    const std::string oldDetail = written("Velnorix251101080000.log", days(8));
    const std::string oldSummary = written("Velnorix251101080000.smy", days(8));
    const std::string ageing = written("Velnorix261129080000.log", days(7) - std::chrono::hours(1));
    fs::create_directories(m_rig.Dir.File("Velnorix251101090000.log/below"));
    WriteWholeFile(Victim(), "precious");
    ASSERT_EQ(::symlink(Victim().c_str(), m_rig.Dir.File("Velnorix251101100000.smy").c_str()), 0);
    const std::vector<std::string> neverOurs = {
        written("Velnorix2511010800.log", days(30)),   // too few digits
        written("Velnorix251101080000.txt", days(30)), // another extension
        written("velnorix251101080000.log", days(30)), // another spelling
        written("Velnorix251101090000.log/below/Velnorix251101080000.log", days(30)),
        written("Velnorix251101090000.log", days(30)), // a folder
        written("victim", days(30)),                   // behind a link with a log's name
        m_rig.Dir.File("Velnorix251101100000.smy")};

    m_rig.Scheduler.StartTestRun(); // KeepLogDays missing: everything stays
    EXPECT_TRUE(FileExists(oldDetail));

    m_rig.Model.Config.KeepLogDays = 7;
    m_rig.Scheduler.StartTestRun();
    EXPECT_FALSE(FileExists(oldDetail));
    EXPECT_FALSE(FileExists(oldSummary));
    EXPECT_TRUE(FileExists(ageing));
    m_rig.Clock.Advance(2 * 3'600'000);
    m_rig.Tick();
    EXPECT_TRUE(FileExists(ageing)) << "swept only once a day";
    m_rig.Clock.Advance(22 * 3'600'000);
    m_rig.Tick();
    EXPECT_FALSE(FileExists(ageing));

    for (const std::string& path : neverOurs)
        EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << path;
    EXPECT_EQ(ReadWholeFile(Victim()), "precious");
    EXPECT_TRUE(FileExists(m_rig.Model.DetailLogName));
    EXPECT_TRUE(FileExists(m_rig.Model.SummaryLogName));
}

} // namespace
} // namespace velnorix
