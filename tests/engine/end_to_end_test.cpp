#include "base/text_format.h"
#include "engine/summary_log.h"
#include "probes/probe_errors.h"
#include "real_probe_rig.h"
#include "support/loopback_server.h"
#include "support/service_scripts.h"

#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::Pop3Login;
using kit::ReadWholeFile;
using kit::RealProbeRig;
using kit::RefusingPort;
using kit::SmtpGreeting;
using kit::SplitCrLfLines;
using kit::WebPage;

// Each line of `lines` matches the pattern at the same position.
void ExpectLinesMatch(const std::vector<std::string>& lines,
                      const std::vector<std::string>& patterns) {
    ASSERT_EQ(lines.size(), patterns.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i])))
            << "line " << i << ": \"" << lines[i] << "\" against " << patterns[i];
}

// `text` as a regular expression that matches exactly it.
std::string Literal(std::string_view text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(std::string(text), special, R"(\$&)");
}

// Times under 10 s: the result line's seconds, and the summary's three response columns.
const std::string kSecondsField = R"( \d\.\d\d)";
const std::string kResponseFields = R"(( {5}\d\.\d\d){3})";

std::string Counts(int attempts, int successes, int failures) {
    return PadLeft(std::to_string(attempts), 8) + PadLeft(std::to_string(successes), 8) +
           PadLeft(std::to_string(failures), 8);
}

bool IcmpAllowedHere() {
    IcmpClient probe;
    probe.SetHost("127.0.0.1");
    try {
        probe.EchoExchange("", 0);
    } catch (const ProbeError&) {
        return false;
    }
    return true;
}

// One target of each type against scripted servers on 127.0.0.1 and a real ping of it, plus
// an audible mail server that refuses connections, over two cycles with real log files.
TEST(EndToEndTest, TwoCyclesOverTheRealProbesWriteBothLogs) {
    if (!IcmpAllowedHere())
        GTEST_SKIP() << "no ICMP socket of either kind can be opened here";
    LoopbackServer web({WebPage(), WebPage()});
    LoopbackServer pop3({Pop3Login("ann", "s3cret"), Pop3Login("ann", "s3cret")});
    LoopbackServer smtp({SmtpGreeting("probe.test"), SmtpGreeting("probe.test")});
    RefusingPort refusing;

    RealProbeRig rig(5s);
    rig.Probes.Smtp().SetHeloName("probe.test");
    rig.AddTarget("<Ping>", "127.0.0.1", 0, true);
    const std::string webAddress = "http://127.0.0.1:" + std::to_string(web.Port()) + "/";
    rig.AddTarget("<HTML>", webAddress, web.Port(), true);
    const std::int32_t pop3Index = rig.AddTarget("<POP3>", "127.0.0.1", pop3.Port(), true);
    rig.Model.Target(pop3Index).User = "ann";
    rig.Model.Target(pop3Index).Password = "s3cret";
    rig.AddTarget("<SMTP>", "127.0.0.1", smtp.Port(), true);
    const auto kRefusedIndex =
        static_cast<std::size_t>(rig.AddTarget("<SMTP>", "127.0.0.1", refusing.Port(), true));
    rig.Model.Config.IntervalMins = 0;
    rig.Model.Config.IntervalSecs = 1;

    rig.Scheduler.StartTestRun();
    ASSERT_TRUE(rig.Timer1.WouldTick());
    EXPECT_EQ(rig.Timer1.Interval(), 1000);
    rig.Scheduler.OnIntervalElapsed();
    web.Finish();
    pop3.Finish();
    smtp.Finish();

    EXPECT_EQ(rig.Model.DetailLogName, rig.Dir.File("Velnorix261206140327.log"));
    const std::string targets[][2] = {{"<Ping>", "127.0.0.1"},
                                      {"<HTML>", webAddress},
                                      {"<POP3>", "127.0.0.1"},
                                      {"<SMTP>", "127.0.0.1"},
                                      {"<SMTP>", "127.0.0.1"}};
    std::vector<std::string> detailLines;
    std::vector<std::string> summaryLines = {Literal(SummaryLogHeader().substr(0, 100)),
                                             Literal(SummaryLogHeader().substr(102, 100))};
    for (int cycle = 1; cycle <= 2; ++cycle) {
        const std::string number = PadLeft(std::to_string(cycle), 4);
        for (std::size_t i = 0; i < std::size(targets); ++i) {
            const auto& [type, addr] = targets[i];
            const bool refused = i == kRefusedIndex;
            detailLines.push_back(Literal(number + " 14:03:27 Dec 06, 2026  " +
                                          (refused ? "Failure: " : "Success: ")) +
                                  kSecondsField + Literal(" secs  " + type + addr));
            const int failures = refused ? cycle : 0;
            summaryLines.push_back(Literal(number + " " + PadRight(addr, 31) + type +
                                           Counts(cycle, cycle - failures, failures) +
                                           (refused ? "    0.0" : "  100.0")) +
                                   kResponseFields);
        }
        detailLines.emplace_back();
        summaryLines.push_back(Literal("     " + PadRight("14:03:27 Dec 06, 2026  / 0:00:00", 37) +
                                       Counts(5 * cycle, 4 * cycle, cycle) + "   80.0") +
                               kResponseFields);
        summaryLines.emplace_back(" ");
    }
    ExpectLinesMatch(SplitCrLfLines(ReadWholeFile(rig.Model.DetailLogName)), detailLines);
    ExpectLinesMatch(SplitCrLfLines(ReadWholeFile(rig.Model.SummaryLogName)), summaryLines);

    EXPECT_EQ(rig.Host.Sounds(), 2) << "only the refused mail server sounds, once a cycle";
    EXPECT_EQ(rig.StatusBar.Text(), "\t2 Cycles in 0:00:00");
    for (const LoopbackServer* server : {&web, &pop3, &smtp}) {
        EXPECT_EQ(server->ConnectionCount(), 2U);
        EXPECT_TRUE(server->Mismatches().empty());
    }
    EXPECT_EQ(web.ReceivedLines(1).at(0), "HEAD / HTTP/1.1");
}

} // namespace
} // namespace velnorix
