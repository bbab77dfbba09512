#include "engine/verdict_changes.h"
#include "real_probe_rig.h"
#include "support/loopback_server.h"
#include "support/service_scripts.h"

#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::ServerScript;

ServerScript Refusal() {
    return ServerScript().SendLine("554 no service here");
}

// Mail servers on loopback whose n-th connection plays the n-th of `answers`: true greets, false
// refuses.
std::vector<ServerScript> Greetings(const std::vector<bool>& answers,
                                    const ServerScript& greeting = kit::SmtpGreeting()) {
    std::vector<ServerScript> scripts;
    scripts.reserve(answers.size());
    for (const bool answer : answers)
        scripts.push_back(answer ? greeting : Refusal());
    return scripts;
}

// Nine cycles with FailAfter=3 and RecoverAfter=2 over real sockets: a flapping server stays Up
// through two refusals in a row and is Down on the third, and Up again after two greetings; one
// that greets after 300 ms is Slow above SlowMs=100; a failing child of the flapping one is
// Unreachable while its parent is Down, with no sound and no notice, and told Down only once.
TEST(TargetStateNetworkTest, ConfirmationRecoverySlownessAndParentsOverRealServers) {
    const std::vector<bool> flapping = {true, false, false, true, false, false, false, true, true};
    const std::vector<TargetState> expected = {
        TargetState::Up, TargetState::Up,   TargetState::Up,   TargetState::Up, TargetState::Up,
        TargetState::Up, TargetState::Down, TargetState::Down, TargetState::Up};
    LoopbackServer parent(Greetings(flapping));
    const ServerScript slowGreeting = ServerScript()
                                          .Pause(300ms)
                                          .SendLine("220 mail.test ESMTP")
                                          .ReadLine()
                                          .SendLine("250 mail.test")
                                          .ExpectLine("QUIT");
    LoopbackServer slow(Greetings(std::vector<bool>(9, true), slowGreeting));
    std::vector<bool> failingAfterOne(9, false);
    failingAfterOne.front() = true;
    LoopbackServer child(Greetings(failingAfterOne));

    kit::RealProbeRig rig(2s);
    rig.Model.Config.FailAfter = 3;
    rig.Model.Config.RecoverAfter = 2;
    rig.AddTarget(kTagSmtp, "127.0.0.1", parent.Port(), true);
    rig.AddTarget(kTagSmtp, "127.0.0.1", slow.Port(), true);
    rig.AddTarget(kTagSmtp, "127.0.0.1", child.Port(), true);
    rig.Model.Target(1).SlowMs = 100;
    rig.Model.Target(2).Parent = 1;
    VerdictWatch watch;
    int soundsBehindDownParent = 0;
    std::vector<std::string> childNotices;
    for (std::size_t cycle = 0; cycle < flapping.size(); ++cycle) {
        const int soundsBefore = rig.Host.Sounds();
        cycle == 0 ? rig.Scheduler.StartTestRun() : rig.Scheduler.OnIntervalElapsed();
        EXPECT_EQ(rig.Model.StatisticsOf(0).State, expected[cycle]) << "cycle " << cycle + 1;
        const bool parentDown = expected[cycle] == TargetState::Down;
        if (parentDown) {
            EXPECT_EQ(rig.Model.StatisticsOf(2).State, TargetState::Unreachable);
            // The parent's own sound, on the cycle it went Down, and none for its child.
            soundsBehindDownParent += rig.Host.Sounds() - soundsBefore -
                                      (cycle > 0 && expected[cycle - 1] != TargetState::Down);
        }
        for (const VerdictChange& change : watch.CycleEnded(rig.Model))
            if (change.ShownName.ends_with(std::to_string(child.Port())))
                childNotices.push_back(std::string(StateName(change.State)));
    }
    EXPECT_EQ(soundsBehindDownParent, 0);
    EXPECT_THAT(childNotices, testing::ElementsAre("Down"))
        << "told once, when confirmed; not again behind its parent or after";
    EXPECT_EQ(rig.Model.StatisticsOf(1).State, TargetState::Slow);
    EXPECT_THAT(rig.Display.Lines(), testing::Contains(testing::EndsWith("[Slow]")));
    EXPECT_EQ(rig.DetailLog().find("[Slow]"), std::string::npos) << "the files never say it";
}

// Retries=2 against a server that refuses twice and then greets: one Success line.
TEST(TargetStateNetworkTest, TwoRetriesReachAServerThatAnswersTheThirdTime) {
    LoopbackServer server(Greetings({false, false, true}));
    kit::RealProbeRig rig(2s);
    rig.Model.Config.Retries = 2;
    rig.Model.Config.RetryDelayMs = 100;
    rig.AddTarget(kTagSmtp, "127.0.0.1", server.Port(), true);
    rig.Scheduler.StartTestRun();
    EXPECT_THAT(rig.DetailLog(),
                testing::MatchesRegex("   1 14:03:27 Dec 06, 2026  Success:  "
                                      "[0-9.]+ secs  <SMTP>127\\.0\\.0\\.1\r\n\r\n"));
    EXPECT_EQ(server.ConnectionCount(), 3U);
    EXPECT_EQ(rig.Model.StatisticsOf(0).State, TargetState::Up);
    EXPECT_EQ(rig.Host.Sounds(), 0);
}

} // namespace
} // namespace velnorix
