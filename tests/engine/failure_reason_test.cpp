#include "engine/failure_reason.h"
#include "real_probe_rig.h"
#include "support/case_names.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::NamedCase;
using kit::ReadWholeFile;
using kit::RealProbeRig;
using kit::RefusingPort;
using kit::ServerScript;

struct ReasonCase {
    const char* Name;
    std::string ErrorText;
    std::string Expected;
};

class FailureReasonTest : public testing::TestWithParam<ReasonCase> {};

TEST_P(FailureReasonTest, MakesOneLineOfBoundedLength) {
    EXPECT_EQ(FailureReason(GetParam().ErrorText), GetParam().Expected);
}

const std::string k199 = std::string(199, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureReasonTest,
    testing::Values(
        ReasonCase{"socket error over two lines", "Socket Error # 111\r\nConnection refused",
                   "Socket Error # 111 Connection refused"},
        ReasonCase{"inner blanks kept", "HTTP/1.1 404  Not Found", "HTTP/1.1 404  Not Found"},
        ReasonCase{"control runs and ends", "\r\n\x1b[2J-ERR busy\t\r\n\x7f", "[2J-ERR busy"},
        ReasonCase{"no text", "", "Error without a description"},
        ReasonCase{"only line breaks", "\r\n\r\n", "Error without a description"},
        ReasonCase{"cut before a character that does not fit", k199 + "\u20ac\u20ac",
                   k199 + "\u20ac"},
        ReasonCase{"exactly the longest kept", k199 + "b", k199 + "b"}),
    NamedCase{});

ServerScript WebAnswer(const std::string& status) {
    ServerScript script;
    for (int line = 0; line < 6; ++line) // request line, four headers, the empty line
        script.ReadLine();
    return script.Send("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
}

ServerScript Pop3Refusal() {
    return ServerScript()
        .SendLine("+OK ready")
        .ReadLine()
        .SendLine("+OK")
        .ReadLine()
        .SendLine("-ERR invalid user name or password")
        .ExpectLine("QUIT");
}

// Two cycles over real probes: a web server that answers 404 and then 200, a POP3 server that
// refuses the log-in, and a refused port.
TEST(FailureReasonsOfACycle, GoWithTheirLinesToTheStatusBarAndStayAsTheTargetsLatest) {
    LoopbackServer web({WebAnswer("404 Not Found"), WebAnswer("200 OK")});
    LoopbackServer pop3({Pop3Refusal(), Pop3Refusal()});
    RefusingPort refusing;
    RealProbeRig rig(5s);
    rig.AddTarget("<HTML>", "http://127.0.0.1:" + std::to_string(web.Port()) + "/", web.Port());
    rig.AddTarget("<POP3>", "127.0.0.1", pop3.Port());
    rig.AddTarget("<SMTP>", "127.0.0.1", refusing.Port());

    rig.Scheduler.StartTestRun();
    rig.Scheduler.OnIntervalElapsed();

    const std::string notFound = "HTTP/1.1 404 Not Found";
    const std::string badLogin = "invalid user name or password";
    const std::string refused = "Socket Error # 111 Connection refused";
    EXPECT_EQ(rig.Display.ResultReasons(),
              (std::vector<std::string>{notFound, badLogin, refused, "", badLogin, refused}));
    const std::vector<std::string> shown = {notFound, badLogin, refused, badLogin, refused};
    EXPECT_EQ(rig.StatusBar.FailureReasons(), shown);
    EXPECT_EQ(rig.Model.StatisticsOf(0).LastReason, notFound)
        << "a success keeps the last known fault";
    EXPECT_EQ(rig.Model.StatisticsOf(2).LastReason, refused);
    for (const std::string& log :
         {ReadWholeFile(rig.Model.DetailLogName), ReadWholeFile(rig.Model.SummaryLogName)})
        for (const std::string& reason : shown)
            EXPECT_EQ(log.find(reason), std::string::npos) << reason;
}

} // namespace
} // namespace velnorix
