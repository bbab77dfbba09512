#include "engine/target_probe.h"
#include "kit/fake_host.h"
#include "support/case_names.h"
#include "support/fake_probes.h"

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using kit::FakeClock;
using kit::FakeHost;
using kit::FakeProbes;
using kit::ProbeScript;
using kit::ScriptedCall;

TargetSettings Target(std::string_view type, std::string_view addr, std::int32_t port,
                      std::string_view user = "", std::string_view password = "") {
    TargetSettings entry;
    entry.SetType(type);
    entry.Addr = addr;
    entry.Port = port;
    entry.User = user;
    entry.Password = password;
    return entry;
}

ScriptedCall Takes(std::uint32_t ms) {
    return ScriptedCall{ms, false, ReplyStatusKind::Echo, {}};
}

ScriptedCall FailsAfter(std::uint32_t ms) {
    return ScriptedCall{ms, true, ReplyStatusKind::Echo, {}};
}

ScriptedCall Replies(std::uint32_t ms, ReplyStatusKind kind) {
    return ScriptedCall{ms, false, kind, {}};
}

struct ProbeCase {
    const char* Name;
    TargetSettings Entry;
    std::function<void(ProbeScript&)> Script;
    std::uint32_t ExpectedMs;
    bool ExpectedFailed;
    std::vector<std::string> ExpectedCalls;
};

const TargetSettings kWeb = Target("<HTML>", "http://192.0.2.20:8080/", 8080);
const TargetSettings kPing = Target("<Ping>", "192.0.2.10", 0);
const TargetSettings kPop3 = Target("<POP3>", "pop.example", 110, "ann", "s3cret");
const TargetSettings kSmtp = Target("<SMTP>", "mx.example", 25);

const std::vector<std::string> kWebCalls = {
    "HeadRequest http://192.0.2.20:8080/ port=8080 target=4",
    "CloseConnection http://192.0.2.20:8080/"};
const std::vector<std::string> kPingCall = {"EchoExchange 192.0.2.10 port=0 data=\"\" sequence=0"};
const std::vector<std::string> kPop3Calls = {
    "StartDialogue pop.example POP3 port=110 user=\"ann\" password=\"s3cret\"",
    "EndDialogue pop.example"};
const std::vector<std::string> kSmtpCalls = {"StartDialogue mx.example SMTP port=25",
                                             "EndDialogue mx.example"};

class ProbeTargetTest : public testing::TestWithParam<ProbeCase> {};

TEST_P(ProbeTargetTest, TimesAndJudgesTheProbeOfTheTargetsType) {
    const ProbeCase& c = GetParam();
    FakeClock clock;
    clock.SetTick(1'000'000);
    FakeHost host;
    FakeProbes probes(clock, host);
    c.Script(probes.Script);

    const ProbeOutcome outcome =
        ProbeTarget(TestTypeOf(c.Entry.Type), 4, c.Entry, probes.Components(), clock, host, {});

    EXPECT_EQ(outcome.ElapsedMs, c.ExpectedMs);
    EXPECT_EQ(outcome.Failed, c.ExpectedFailed);
    // Every call is in the journal in order, none marked as made outside RunBlocking.
    EXPECT_EQ(probes.Script.Journal(), c.ExpectedCalls);
}

const auto kNoScript = [](ProbeScript&) {};

INSTANTIATE_TEST_SUITE_P(
    Html, ProbeTargetTest,
    testing::Values(ProbeCase{"RequestAndCloseAreTimedTogether", kWeb,
                              [](ProbeScript& s) {
                                  s.Set("HeadRequest", kWeb.Addr, Takes(120));
                                  s.Set("CloseConnection", kWeb.Addr, Takes(30));
                              },
                              150, false, kWebCalls},
                    ProbeCase{
                        "FailedRequestSkipsTheClose",
                        kWeb,
                        [](ProbeScript& s) { s.Set("HeadRequest", kWeb.Addr, FailsAfter(70)); },
                        70,
                        true,
                        {kWebCalls[0]}},
                    ProbeCase{"FailedCloseIsAFailure", kWeb,
                              [](ProbeScript& s) {
                                  s.Set("HeadRequest", kWeb.Addr, Takes(100));
                                  s.Set("CloseConnection", kWeb.Addr, FailsAfter(40));
                              },
                              140, true, kWebCalls}),
    kit::NamedCase{});

INSTANTIATE_TEST_SUITE_P(
    Ping, ProbeTargetTest,
    testing::Values(
        ProbeCase{"EchoReplyIsASuccess", kPing,
                  [](ProbeScript& s) { s.Set("EchoExchange", kPing.Addr, Takes(20)); }, 20, false,
                  kPingCall},
        ProbeCase{"TimedOut", kPing,
                  [](ProbeScript& s) {
                      s.Set("EchoExchange", kPing.Addr, Replies(5020, ReplyStatusKind::TimedOut));
                  },
                  5020, true, kPingCall},
        ProbeCase{"Unreachable", kPing,
                  [](ProbeScript& s) {
                      s.Set("EchoExchange", kPing.Addr, Replies(3, ReplyStatusKind::Unreachable));
                  },
                  3, true, kPingCall},
        ProbeCase{"TtlExceeded", kPing,
                  [](ProbeScript& s) {
                      s.Set("EchoExchange", kPing.Addr, Replies(9, ReplyStatusKind::TtlExceeded));
                  },
                  9, true, kPingCall},
        ProbeCase{"ErrorKind", kPing,
                  [](ProbeScript& s) {
                      s.Set("EchoExchange", kPing.Addr, Replies(1, ReplyStatusKind::Error));
                  },
                  1, true, kPingCall},
        ProbeCase{"RaisedErrorIsTimedToTheCatch", kPing,
                  [](ProbeScript& s) { s.Set("EchoExchange", kPing.Addr, FailsAfter(10)); }, 10,
                  true, kPingCall},
        ProbeCase{"InstantSuccess", kPing, kNoScript, 0, false, kPingCall}),
    kit::NamedCase{});

INSTANTIATE_TEST_SUITE_P(
    MailDialogues, ProbeTargetTest,
    testing::Values(
        ProbeCase{"Pop3EndIsOutsideTheTimedSpan", kPop3,
                  [](ProbeScript& s) {
                      s.Set("StartDialogue", kPop3.Addr, Takes(200));
                      s.Set("EndDialogue", kPop3.Addr, Takes(50));
                  },
                  200, false, kPop3Calls},
        ProbeCase{"Pop3FailedEndIsTimedToTheError", kPop3,
                  [](ProbeScript& s) {
                      s.Set("StartDialogue", kPop3.Addr, Takes(200));
                      s.Set("EndDialogue", kPop3.Addr, FailsAfter(50));
                  },
                  250, true, kPop3Calls},
        ProbeCase{"Pop3FailedLoginSkipsTheEnd",
                  kPop3,
                  [](ProbeScript& s) { s.Set("StartDialogue", kPop3.Addr, FailsAfter(30)); },
                  30,
                  true,
                  {kPop3Calls[0]}},
        ProbeCase{"SmtpEndIsOutsideTheTimedSpan", kSmtp,
                  [](ProbeScript& s) {
                      s.Set("StartDialogue", kSmtp.Addr, Takes(80));
                      s.Set("EndDialogue", kSmtp.Addr, Takes(500));
                  },
                  80, false, kSmtpCalls},
        ProbeCase{"SmtpFailedEndIsTimedToTheError", kSmtp,
                  [](ProbeScript& s) {
                      s.Set("StartDialogue", kSmtp.Addr, Takes(80));
                      s.Set("EndDialogue", kSmtp.Addr, FailsAfter(20));
                  },
                  100, true, kSmtpCalls},
        ProbeCase{"SmtpFailedGreetingSkipsTheEnd",
                  kSmtp,
                  [](ProbeScript& s) { s.Set("StartDialogue", kSmtp.Addr, FailsAfter(5000)); },
                  5000,
                  true,
                  {kSmtpCalls[0]}}),
    kit::NamedCase{});

TEST(ProbeTargetTickTest, SpanAcrossTheTickCounterWrapIsTheTrueDifference) {
    FakeClock clock;
    clock.SetTick(0xFFFF'FFF0U);
    FakeHost host;
    FakeProbes probes(clock, host);
    probes.Script.Set("EchoExchange", kPing.Addr, Takes(0x30));

    const ProbeOutcome outcome =
        ProbeTarget(TestType::Ping, 0, kPing, probes.Components(), clock, host, {});

    EXPECT_EQ(clock.TickCount(), 0x20U) << "the counter must have wrapped";
    EXPECT_EQ(outcome.ElapsedMs, 0x30U);
    EXPECT_FALSE(outcome.Failed);
}

TEST(ProbeTargetTickTest, RefusesATargetWithoutAKnownType) {
    FakeClock clock;
    FakeHost host;
    FakeProbes probes(clock, host);
    EXPECT_THROW(ProbeTarget(TestType::Unknown, 0, Target("<ping>", "h", 0), probes.Components(),
                             clock, host, {}),
                 std::invalid_argument);
    EXPECT_TRUE(probes.Script.Journal().empty());
}

} // namespace
} // namespace velnorix
