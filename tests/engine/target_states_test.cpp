#include "engine/display_header.h"
#include "engine/run_states.h"
#include "engine_rig.h"
#include "probes/probe_errors.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using kit::EngineRig;
using kit::ScriptedCall;

// One audible ping target over several cycles: each cycle's probe as scripted, the state after
// it as a letter (U Up, S Slow, D Down, ? Unknown), and the alert sounds of the whole run.
struct StateCase {
    const char* Name;
    std::int32_t FailAfter;
    std::int32_t RecoverAfter;
    std::int32_t SlowMs;
    std::vector<ScriptedCall> Cycles;
    const char* States;
    int Sounds;
};

ScriptedCall Echo(std::uint32_t milliseconds, ReplyStatusKind reply = ReplyStatusKind::Echo) {
    ScriptedCall call;
    call.Milliseconds = milliseconds;
    call.Reply = reply;
    return call;
}

const ScriptedCall kAnswers = Echo(20);
const ScriptedCall kSlowly = Echo(300);
const ScriptedCall kSilent = Echo(50, ReplyStatusKind::TimedOut);

const StateCase kStateCases[] = {
    {"EachProbeDecidesByDefault", 1, 1, 0, {kSilent, kAnswers, kSilent}, "DUD", 2},
    {"DownOnlyOnTheThirdFailureInARow",
     3,
     1,
     0,
     {kAnswers, kSilent, kSilent, kAnswers, kSilent, kSilent, kSilent},
     "UUUUUUD",
     1},
    {"AnUnconfirmedStartStaysUnknown", 2, 1, 0, {kSilent, kSilent, kAnswers}, "?DU", 1},
    {"UpAgainAfterTwoAnswers",
     1,
     2,
     0,
     {kSilent, kAnswers, kSilent, kAnswers, kAnswers},
     "DDDDU",
     2},
    {"SlowAboveTheBoundAndBackBelowIt", 1, 1, 100, {kSlowly, kAnswers, kSlowly}, "SUS", 0},
    {"SlowAndFastAnswersBothCountTowardRecovery",
     1,
     2,
     100,
     {kSilent, kSlowly, kAnswers},
     "DDU",
     1},
};

char Letter(TargetState state) {
    return state == TargetState::Unknown ? '?' : StateName(state).front();
}

class TargetStateTest : public testing::TestWithParam<StateCase> {};

TEST_P(TargetStateTest, FollowsTheConfirmationCounts) {
    const StateCase& test = GetParam();
    EngineRig rig;
    rig.Model.Config.FailAfter = test.FailAfter;
    rig.Model.Config.RecoverAfter = test.RecoverAfter;
    rig.Model.Config.SlowMs = test.SlowMs;
    rig.AddTarget("<Ping>", "h", 0, true);
    std::string states;
    for (std::size_t cycle = 0; cycle < test.Cycles.size(); ++cycle) {
        rig.Probes.Script.Set("EchoExchange", "h", test.Cycles[cycle]);
        if (cycle == 0) {
            rig.Scheduler.StartTestRun();
        } else {
            rig.Clock.Advance(300'000);
            rig.Tick();
        }
        states += Letter(rig.Model.StatisticsOf(0).State);
    }
    EXPECT_EQ(states, test.States);
    EXPECT_EQ(rig.Host.Sounds(), test.Sounds);
    // Only the screen marks a state the verdict does not tell; the log line is the probe's.
    const std::string last = rig.Display.Line(HeaderLineCount(rig.Model.Config));
    const std::string mark =
        StateMark(rig.Model.StatisticsOf(0).State, last.find("Failure:") != std::string::npos);
    EXPECT_TRUE(last.ends_with("<Ping>h" + mark)) << last;
    EXPECT_EQ(rig.DetailLog().find(" ["), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Counts, TargetStateTest, testing::ValuesIn(kStateCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// A child failing while its parent is down is Unreachable, whichever comes first in the table:
// no sound and its own state again once the parent answers.
TEST(TargetParentTest, AFailingChildOfADownParentIsUnreachableAndSilent) {
    EngineRig rig;
    rig.AddTarget("<Ping>", "child", 0, true);
    rig.AddTarget("<Ping>", "router", 0, true);
    rig.Model.Config.Targets[0].Parent = 2;
    rig.Probes.Script.Set("EchoExchange", "router", kSilent);
    rig.Probes.Script.Set("EchoExchange", "child", kSilent);
    rig.Scheduler.StartTestRun();
    EXPECT_EQ(rig.Model.StatisticsOf(1).State, TargetState::Down);
    EXPECT_EQ(rig.Model.StatisticsOf(0).State, TargetState::Unreachable)
        << "the parent's latest, though probed after the child";

    rig.Clock.Advance(300'000);
    rig.Tick();
    EXPECT_EQ(rig.Model.StatisticsOf(0).State, TargetState::Unreachable);
    EXPECT_EQ(rig.Host.Sounds(), 1 + 2) << "the child's first failure came before the parent's";

    rig.Probes.Script.Set("EchoExchange", "router", kAnswers);
    rig.Clock.Advance(300'000);
    rig.Tick();
    EXPECT_EQ(rig.Model.StatisticsOf(0).State, TargetState::Down);
    // The run's third file holds each change once, with the cycle's end as its time.
    EXPECT_EQ(
        kit::ReadWholeFile(rig.Model.EventLogName),
        "   1 14:03:27 Dec 06, 2026  <Ping>child  Unknown -> Unreachable  "
        "No echo reply in time\r\n"
        "   1 14:03:27 Dec 06, 2026  <Ping>router  Unknown -> Down  No echo reply in time\r\n"
        "   3 14:13:27 Dec 06, 2026  <Ping>child  Unreachable -> Down  No echo reply in time\r\n"
        "   3 14:13:27 Dec 06, 2026  <Ping>router  Down -> Up\r\n");
}

// Retries=2 against a target that fails twice and then answers: one Success line, timed and
// stamped as the last attempt, the earlier failures kept with it, and the state never Down.
TEST(TargetRetryTest, ATargetAnsweringOnItsThirdAttemptGivesOneSuccessLine) {
    EngineRig rig;
    rig.Model.Config.Retries = 2;
    rig.Model.Config.RetryDelayMs = 1'000;
    rig.AddTarget("<Ping>", "flaky", 0, true);
    int calls = 0;
    ScriptedCall call = Echo(40);
    call.During = [&calls] {
        if (++calls <= 2)
            throw ProbeError("Connection refused");
    };
    rig.Probes.Script.Set("EchoExchange", "flaky", call);
    rig.Scheduler.StartTestRun();

    EXPECT_EQ(calls, 3);
    EXPECT_EQ(rig.DetailLog(),
              "   1 14:03:29 Dec 06, 2026  Success:  0.04 secs  <Ping>flaky\r\n\r\n");
    EXPECT_EQ(
        rig.Display.ResultReasons().back(),
        "Answered on attempt 3 (attempt 1: Connection refused; attempt 2: Connection refused)");
    EXPECT_EQ(rig.Model.StatisticsOf(0).State, TargetState::Up);
    EXPECT_EQ(rig.Model.StatisticsOf(0).Attempts, 1);
    EXPECT_EQ(rig.Host.Sounds(), 0);
}

} // namespace
} // namespace velnorix
