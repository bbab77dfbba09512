#include "base/text_file.h"
#include "engine/summary_log.h"
#include "engine/test_scheduler.h"
#include "engine_rig.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using kit::EngineRig;
using kit::ReadWholeFile;
using kit::ScriptedCall;

constexpr const char* kStopped = "  Test Stopped!";

class TestSchedulerTest : public testing::Test {
protected:
    TestSchedulerTest() {
        m_rig.AddTarget("<Ping>", "192.0.2.10");
        m_rig.AddTarget("<SMTP>", "mx.example", 25);
        m_rig.Probes.Script.Set("EchoExchange", "192.0.2.10",
                                ScriptedCall{1000, false, ReplyStatusKind::Echo, {}});
        m_rig.Probes.Script.Set("StartDialogue", "mx.example",
                                ScriptedCall{500, false, ReplyStatusKind::Echo, {}});
    }

    // Makes the ping of the next cycle ask for a stop, as a click during the probes does.
    void StopDuringTheNextProbes() {
        m_rig.Probes.Script.Set(
            "EchoExchange", "192.0.2.10",
            ScriptedCall{1000, false, ReplyStatusKind::Echo,
                         [this] { m_rig.Host.Post([this] { m_rig.Scheduler.RequestStop(); }); }});
    }

    [[nodiscard]] std::size_t ProbeCalls() const { return m_rig.Probes.Script.Journal().size(); }

    EngineRig m_rig;
};

TEST_F(TestSchedulerTest, StartCreatesTheRunsLogsRunsACycleAndArmsTheTimer) {
    m_rig.Model.Config.IntervalHours = 1;
    m_rig.Model.Config.IntervalMins = 0;
    m_rig.Model.Config.IntervalSecs = 2;
    m_rig.Scheduler.StartTestRun();

    EXPECT_EQ(m_rig.Model.DetailLogName, m_rig.Dir.File("Velnorix261206140327.log"));
    EXPECT_EQ(m_rig.Model.SummaryLogName, m_rig.Dir.File("Velnorix261206140327.smy"));
    EXPECT_EQ(m_rig.Model.RunStartTime, ToDayCount({2026, 12, 6, 14, 3, 27, 0}));
    EXPECT_EQ(m_rig.SummaryLog().substr(0, SummaryLogHeader().size()), SummaryLogHeader());
    EXPECT_NE(m_rig.SummaryLog().find("\r\n   1 192.0.2.10 "), std::string::npos);
    EXPECT_EQ(m_rig.DetailLog().substr(0, 5), "   1 ");
    EXPECT_EQ(m_rig.Model.CycleCount, 1);
    EXPECT_FALSE(m_rig.Model.StopRequested);
    EXPECT_EQ(m_rig.Timer1.Interval(), 3'602'000);
    EXPECT_TRUE(m_rig.Timer1.Enabled());
    EXPECT_EQ(m_rig.StatusBar.Text(), "\t1 Cycles in 0:00:01");
}

TEST_F(TestSchedulerTest, EveryCycleRestartsTheIntervalAtItsEnd) {
    m_rig.Scheduler.StartTestRun();
    const int restartsAfterStart = m_rig.Timer1.Restarts();
    m_rig.Tick();
    m_rig.Tick();
    EXPECT_EQ(m_rig.Timer1.Restarts(), restartsAfterStart + 2);
    EXPECT_TRUE(m_rig.Timer1.WouldTick());
    EXPECT_EQ(m_rig.Model.CycleCount, 3);
    EXPECT_EQ(ProbeCalls(), 3U * 3U);
}

TEST_F(TestSchedulerTest, StopDuringTheFirstCyclesProbesCompletesItAndAppendsTwice) {
    StopDuringTheNextProbes();
    m_rig.Scheduler.StartTestRun();

    EXPECT_EQ(ProbeCalls(), 3U) << "every target is still probed";
    EXPECT_EQ(m_rig.StatusBar.Text(), std::string("\t1 Cycles in 0:00:01") + kStopped + kStopped);
    EXPECT_FALSE(m_rig.Timer1.Enabled());
    EXPECT_TRUE(m_rig.Model.StopRequested);
    m_rig.Tick();
    EXPECT_EQ(m_rig.Model.CycleCount, 1) << "no further cycle";
}

TEST_F(TestSchedulerTest, StopHandledAtTheCyclesFirstPumpAppendsOnce) {
    m_rig.Scheduler.StartTestRun();
    m_rig.Host.Post([this] { m_rig.Scheduler.RequestStop(); });
    m_rig.Tick();
    EXPECT_EQ(ProbeCalls(), 6U) << "the cycle still probes every target";
    EXPECT_EQ(m_rig.StatusBar.Text(), std::string("\t2 Cycles in 0:00:03") + kStopped);
    EXPECT_FALSE(m_rig.Timer1.Enabled());
}

TEST_F(TestSchedulerTest, StopBetweenCyclesAppendsOnceAndEndsTheRun) {
    m_rig.Scheduler.StartTestRun();
    const int pumps = m_rig.Host.Pumps();
    m_rig.Scheduler.RequestStop();

    EXPECT_EQ(m_rig.StatusBar.Text(), std::string("\t1 Cycles in 0:00:01") + kStopped);
    EXPECT_FALSE(m_rig.Timer1.Enabled());
    EXPECT_TRUE(m_rig.Model.StopRequested);
    EXPECT_EQ(m_rig.Host.Pumps(), pumps + 1);
    m_rig.Tick();
    EXPECT_EQ(m_rig.Model.CycleCount, 1);
}

TEST_F(TestSchedulerTest, StartAgainAfterStopOpensNewLogsAndKeepsTheStatistics) {
    m_rig.Scheduler.StartTestRun();
    m_rig.Tick();
    m_rig.Scheduler.RequestStop();
    const std::string firstDetail = m_rig.Model.DetailLogName;
    const std::string firstDetailText = m_rig.DetailLog();
    m_rig.Clock.Advance(60'000);

    m_rig.Scheduler.StartTestRun();

    EXPECT_NE(m_rig.Model.DetailLogName, firstDetail);
    EXPECT_EQ(m_rig.Model.DetailLogName, m_rig.Dir.File("Velnorix261206140430.log"));
    EXPECT_EQ(ReadWholeFile(firstDetail), firstDetailText) << "the old run's log stays as it was";
    EXPECT_EQ(m_rig.Model.CycleCount, 1);
    EXPECT_EQ(m_rig.Model.StatisticsOf(0).Attempts, 3);
    EXPECT_EQ(m_rig.DetailLog().substr(0, 5), "   1 ");
    // The new summary starts at cycle 1 with the figures carried on.
    EXPECT_NE(m_rig.SummaryLog().find(
                  "\r\n   1 192.0.2.10                     <Ping>       3       3       0"),
              std::string::npos);
    EXPECT_TRUE(m_rig.Timer1.WouldTick());
    EXPECT_FALSE(m_rig.Model.StopRequested);
}

TEST_F(TestSchedulerTest, StartWithinTheSameSecondTakesTheNextSecondsNamesAndKeepsTheOldLogs) {
    m_rig.Scheduler.StartTestRun();
    m_rig.Tick();
    const std::string firstDetail = m_rig.DetailLog();
    const std::string firstSummary = m_rig.SummaryLog();
    m_rig.Clock.SetNow({2026, 12, 6, 14, 3, 27, 400}); // a quick Stop and Start
    m_rig.Scheduler.StartTestRun();

    EXPECT_EQ(m_rig.Model.DetailLogName, m_rig.Dir.File("Velnorix261206140328.log"));
    EXPECT_EQ(m_rig.Model.SummaryLogName, m_rig.Dir.File("Velnorix261206140328.smy"));
    EXPECT_EQ(m_rig.Model.RunStartTime, ToDayCount({2026, 12, 6, 14, 3, 28, 0}));
    EXPECT_EQ(ReadWholeFile(m_rig.Dir.File("Velnorix261206140327.log")), firstDetail);
    EXPECT_EQ(ReadWholeFile(m_rig.Dir.File("Velnorix261206140327.smy")), firstSummary);
    EXPECT_EQ(m_rig.DetailLog().substr(0, 5), "   1 ");
    EXPECT_EQ(m_rig.DetailLog().find("   2 "), std::string::npos);
}

TEST_F(TestSchedulerTest, StartDuringARunBeginsANewRunAtOnce) {
    m_rig.Scheduler.StartTestRun();
    m_rig.Tick();
    // A tick that was already due when Start Test was chosen must not run an extra cycle.
    m_rig.Host.Post([this] { m_rig.Tick(); });
    m_rig.Clock.Advance(2'000);
    m_rig.Scheduler.StartTestRun();
    EXPECT_EQ(m_rig.Model.CycleCount, 1);
    EXPECT_EQ(m_rig.Model.StatisticsOf(0).Attempts, 3);
    EXPECT_TRUE(m_rig.Timer1.WouldTick());
}

TEST_F(TestSchedulerTest, LogThatCannotBeCreatedEndsTheStartWithoutACycle) {
    m_rig.Scheduler.StartTestRun();
    m_rig.Host.SetLogDirectory(m_rig.Dir.File("missing"));

    try {
        m_rig.Scheduler.StartTestRun();
        FAIL() << "the start must report the file it could not create";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find(m_rig.Dir.File("missing")), std::string::npos);
    }

    EXPECT_EQ(m_rig.Model.CycleCount, 0);
    EXPECT_EQ(ProbeCalls(), 3U) << "only the first run's cycle probed";
    EXPECT_FALSE(m_rig.Timer1.Enabled());
}

TEST_F(TestSchedulerTest, ZeroIntervalRunsOneCycleAndStaysRunning) {
    m_rig.Model.Config.IntervalMins = 0;
    m_rig.Scheduler.StartTestRun();
    EXPECT_EQ(m_rig.Timer1.Interval(), 0);
    EXPECT_FALSE(m_rig.Timer1.WouldTick());
    EXPECT_EQ(m_rig.Model.CycleCount, 1);
}

TEST_F(TestSchedulerTest, Timer2StartsTheRunOnceAndDisablesItself) {
    m_rig.Timer2.SetInterval(kStartDelayMs);
    m_rig.Timer2.SetEnabled(true);
    m_rig.Scheduler.OnStartDelayElapsed();
    EXPECT_FALSE(m_rig.Timer2.Enabled());
    EXPECT_EQ(m_rig.Model.CycleCount, 1);
    EXPECT_TRUE(FileExists(m_rig.Model.DetailLogName));
    EXPECT_TRUE(m_rig.Timer1.WouldTick());
}

} // namespace
} // namespace velnorix
