#include "engine/network_probes.h"
#include "engine/target_probe.h"
#include "kit/fake_host.h"
#include "support/case_names.h"
#include "support/loopback_server.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::ServerScript;

constexpr int kRequestLines = 6; // request line, four headers, the empty line

// Reads one request, then sends `response`.
ServerScript& Answer(ServerScript& script, const std::string& response) {
    for (int line = 0; line < kRequestLines; ++line)
        script.ReadLine();
    return script.Send(response);
}

std::string Page(const std::string& status, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

ServerScript Answering(const std::vector<std::string>& responses) {
    ServerScript script;
    for (const std::string& response : responses)
        Answer(script, response);
    return script;
}

// Takes the request and says nothing for longer than the cases' time-out, then answers.
ServerScript SilentFor(std::chrono::milliseconds silence) {
    ServerScript script;
    Answer(script, "").Pause(silence).Send(Page("200 OK", ""));
    return script;
}

struct WebCheckCase {
    const char* Name;
    std::function<void(TargetSettings&)> Settings;
    ServerScript Script;
    bool Failed;
    std::string Reason;
    std::vector<std::string> RequestLines; // the first line of each request the server got
    bool TimedOut = false;
};

class WebCheckTest : public testing::TestWithParam<WebCheckCase> {};

// Through the real web probe as the cycle runs it, with the probe's own bounds far above the
// cases' time-out, so only the target's cap can end the silent server's case.
TEST_P(WebCheckTest, SendsAndJudgesAsTheTargetAsks) {
    const WebCheckCase& c = GetParam();
    LoopbackServer server(c.Script);
    TargetSettings entry;
    entry.SetType("<HTML>");
    entry.Addr = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
    entry.Port = server.Port();
    c.Settings(entry);
    NetworkProbeSettings settings;
    settings.Http.Connection.ReadTimeout = 5s;
    NetworkProbes probes(settings);
    kit::FakeClock clock(kit::FakeClock::Ticks::Real);
    kit::FakeHost host;

    const ProbeOutcome outcome =
        ProbeTarget(TestType::Html, 0, entry, probes.Components(), clock, host, {});
    server.Finish();

    EXPECT_EQ(outcome.Failed, c.Failed);
    EXPECT_EQ(outcome.Reason, c.Reason);
    EXPECT_EQ(outcome.TimedOut, c.TimedOut);
    std::vector<std::string> requests;
    for (const std::string& line : server.ReceivedLines())
        if (line.find(" HTTP/1.1") != std::string::npos)
            requests.push_back(line);
    EXPECT_EQ(requests, c.RequestLines);
    EXPECT_TRUE(server.Mismatches().empty());
}

const std::string kWelcome = "<html><title>Welcome</title>\x1b[31m</html>";

INSTANTIATE_TEST_SUITE_P(
    Checks, WebCheckTest,
    testing::Values(
        WebCheckCase{"MatchFound",
                     [](TargetSettings& t) { t.Match = "<title>Wel+come"; },
                     Answering({Page("200 OK", kWelcome)}),
                     false,
                     "",
                     {"GET / HTTP/1.1"}},
        WebCheckCase{"MatchMissing",
                     [](TargetSettings& t) { t.Match = "Goodbye"; },
                     Answering({Page("200 OK", kWelcome)}),
                     true,
                     "Text not found: Goodbye",
                     {"GET / HTTP/1.1"}},
        WebCheckCase{"AbsentTextThere",
                     [](TargetSettings& t) {
                         t.Match = "Wel\\w+";
                         t.MatchAbsent = true;
                     },
                     Answering({Page("200 OK", kWelcome)}),
                     true,
                     "Text found: Wel\\w+",
                     {"GET / HTTP/1.1"}},
        WebCheckCase{"AbsentTextMissing",
                     [](TargetSettings& t) {
                         t.Match = "Error";
                         t.MatchAbsent = true;
                         t.Method = WebMethod::Get;
                     },
                     Answering({Page("200 OK", kWelcome)}),
                     false,
                     "",
                     {"GET / HTTP/1.1"}},
        WebCheckCase{"ExpectedRedirect",
                     [](TargetSettings& t) { t.Expect = "200-204, 301"; },
                     Answering({"HTTP/1.1 301 Moved\r\nLocation: /new\r\n\r\n"}),
                     false,
                     "",
                     {"HEAD / HTTP/1.1"}},
        WebCheckCase{"UnexpectedOk",
                     [](TargetSettings& t) { t.Expect = "301"; },
                     Answering({"HTTP/1.1 200 O\x1b[2JK\r\n\r\n"}),
                     true,
                     "HTTP/1.1 200 O [2JK",
                     {"HEAD / HTTP/1.1"}},
        WebCheckCase{"HeadRefused",
                     [](TargetSettings&) {},
                     Answering({"HTTP/1.1 405 Not Allowed\r\nContent-Length: 150\r\n\r\n",
                                Page("200 OK", kWelcome)}),
                     false,
                     "HEAD refused (405); GET answered 200",
                     {"HEAD / HTTP/1.1", "GET / HTTP/1.1"}},
        WebCheckCase{"RefusalExpected",
                     [](TargetSettings& t) { t.Expect = "405"; },
                     Answering({"HTTP/1.1 405 Not Allowed\r\nContent-Length: 150\r\n\r\n"}),
                     false,
                     "",
                     {"HEAD / HTTP/1.1"}},
        WebCheckCase{
            "HeadRefusedAndPageMissing",
            [](TargetSettings&) {},
            Answering({"HTTP/1.1 501 No\r\nContent-Length: 0\r\n\r\n", Page("404 Not Found", "")}),
            true,
            "HEAD refused (501); GET: HTTP/1.1 404 Not Found",
            {"HEAD / HTTP/1.1", "GET / HTTP/1.1"}},
        WebCheckCase{"SilentPastTheTimeOut",
                     [](TargetSettings& t) { t.TimeoutMs = 200; },
                     SilentFor(1500ms),
                     true,
                     "Read Timeout",
                     {"HEAD / HTTP/1.1"},
                     true}),
    kit::NamedCase{});

// The mail probes take the target's cap as well: each server greets only after 1.5 s and then
// answers every line, so the probes' own 5 s bounds would see a whole dialogue succeed.
TEST(TimeoutCapTest, EndsEveryWaitOfTheMailProbes) {
    const auto late = [](const char* greeting, const char* reply) {
        ServerScript script;
        script.Pause(1500ms).SendLine(greeting);
        for (int line = 0; line < 3; ++line)
            script.ReadLine().SendLine(reply);
        return script;
    };
    for (const auto& [type, greeting, reply] :
         {std::tuple{TestType::Pop3, "+OK ready", "+OK"},
          std::tuple{TestType::Smtp, "220 mail.test ESMTP", "250 mail.test"}}) {
        SCOPED_TRACE(greeting);
        LoopbackServer server(late(greeting, reply));
        TargetSettings entry;
        entry.SetType(TagOf(type));
        entry.Addr = "127.0.0.1";
        entry.Port = server.Port();
        entry.TimeoutMs = 200;
        NetworkProbeSettings settings;
        settings.Mail.ReadTimeout = 5s;
        NetworkProbes probes(settings);
        kit::FakeClock clock(kit::FakeClock::Ticks::Real);
        kit::FakeHost host;
        const ProbeOutcome outcome =
            ProbeTarget(type, 0, entry, probes.Components(), clock, host, {});
        EXPECT_TRUE(outcome.Failed);
        EXPECT_TRUE(outcome.TimedOut);
        EXPECT_EQ(outcome.Reason, "Read Timeout");
    }
}

} // namespace
} // namespace velnorix
