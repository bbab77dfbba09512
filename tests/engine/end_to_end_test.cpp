#include "base/text_format.h"
#include "engine/network_probes.h"
#include "engine/run_model.h"
#include "engine/summary_log.h"
#include "engine/test_scheduler.h"
#include "probes/probe_errors.h"
#include "real_ticks_clock.h"
#include "support/fake_host.h"
#include "support/loopback_server.h"
#include "support/service_scripts.h"
#include "support/temp_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using testing::FakeDisplay;
using testing::FakeHost;
using testing::FakeStatusLine;
using testing::FakeTimer;
using testing::LoopbackServer;
using testing::Pop3Login;
using testing::ReadWholeFile;
using testing::RealTicksFixedDate;
using testing::RefusingPort;
using testing::SmtpGreeting;
using testing::SplitCrLfLines;
using testing::TempDir;
using testing::WebPage;

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

    NetworkProbeSettings settings;
    settings.Http.Connection.ConnectTimeout = 2s;
    settings.Http.Connection.ReadTimeout = 5s;
    settings.Mail.ConnectTimeout = 2s;
    settings.Mail.ReadTimeout = 5s;
    settings.EchoTimeout = 2s;
    NetworkProbes probes(settings);
    probes.Smtp().SetHeloName("probe.test");

    TempDir dir;
    RunModel model;
    const auto add = [&model](std::string_view type, std::string addr, std::int32_t port,
                              bool audible) {
        const std::int32_t index = model.TargetCount;
        model.SetTargetCount(index + 1);
        TargetEntry& entry = model.Target(index);
        entry.SetType(type);
        entry.Addr = std::move(addr);
        entry.Port = port;
        entry.Audible = audible;
        return index;
    };
    add("<Ping>", "127.0.0.1", 0, true);
    const std::string webAddress = "http://127.0.0.1:" + std::to_string(web.Port()) + "/";
    add("<HTML>", webAddress, web.Port(), true);
    const std::int32_t pop3Index = add("<POP3>", "127.0.0.1", pop3.Port(), true);
    model.Target(pop3Index).User = "ann";
    model.Target(pop3Index).Password = "s3cret";
    add("<SMTP>", "127.0.0.1", smtp.Port(), true);
    const auto kRefusedIndex =
        static_cast<std::size_t>(add("<SMTP>", "127.0.0.1", refusing.Port(), true));
    model.IntervalMins = 0;
    model.IntervalSecs = 1;

    FakeDisplay display;
    FakeStatusLine status;
    FakeTimer timer1;
    FakeTimer timer2;
    RealTicksFixedDate clock;
    FakeHost host;
    host.SetLogDirectory(dir.Path());
    TestScheduler scheduler({.Model = model,
                             .Display = display,
                             .StatusBar = status,
                             .Timer1 = timer1,
                             .Timer2 = timer2,
                             .Clock = clock,
                             .Host = host,
                             .Probes = probes.Components(),
                             .Format = FormatSettings{}});

    scheduler.StartTestRun();
    ASSERT_TRUE(timer1.WouldTick());
    EXPECT_EQ(timer1.Interval(), 1000);
    scheduler.Timer1Timer();
    web.Finish();
    pop3.Finish();
    smtp.Finish();

    EXPECT_EQ(model.DetailLogName, dir.File("Velnorix261206140327.log"));
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
    ExpectLinesMatch(SplitCrLfLines(ReadWholeFile(model.DetailLogName)), detailLines);
    ExpectLinesMatch(SplitCrLfLines(ReadWholeFile(model.SummaryLogName)), summaryLines);

    EXPECT_EQ(host.Sounds(), 2) << "only the refused mail server sounds, once a cycle";
    EXPECT_EQ(status.Text(), "\t2 Cycles in 0:00:00");
    for (const LoopbackServer* server : {&web, &pop3, &smtp}) {
        EXPECT_EQ(server->ConnectionCount(), 2U);
        EXPECT_TRUE(server->Mismatches().empty());
    }
    EXPECT_EQ(web.ReceivedLines(1).at(0), "HEAD / HTTP/1.1");
}

} // namespace
} // namespace velnorix
