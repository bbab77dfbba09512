#include "console_rig.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <string>

namespace velnorix::kit {
namespace {

using namespace std::chrono_literals;

ServerScript& TakeRequest(ServerScript& script) {
    for (int line = 0; line < 6; ++line)
        script.ReadLine();
    return script;
}

// From the file to the result lines: a page checked for its text with GET, a server that
// refuses HEAD, and a silent one that the file's time-out for all targets ends. The probes' own
// bounds are 30 s, so only the time-out read from the file ends the third within the run.
TEST_F(ConsoleMonitorTest, WebChecksAndTimeOutsComeFromTheFile) {
    const std::string page = "<h1>Dashboard</h1> all green";
    ServerScript matched;
    TakeRequest(matched).Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                              "\r\n\r\n" + page);
    ServerScript refusing;
    TakeRequest(refusing).Send("HTTP/1.1 405 Not Allowed\r\nContent-Length: 150\r\n\r\n");
    TakeRequest(refusing).Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    ServerScript silent;
    TakeRequest(silent).Silence();
    LoopbackServer first(matched);
    LoopbackServer second(refusing);
    LoopbackServer third(silent);
    const auto web = [](int n, const LoopbackServer& server) {
        const std::string p = "0" + std::to_string(n);
        const std::string port = std::to_string(server.Port());
        return p + "Type=<HTML>\r\n" + p + "Addr=http://127.0.0.1:" + port + "/\r\n" + p +
               "Audible=FALSE\r\n" + p + "Port=" + port + "\r\n";
    };
    WriteWholeFile(m_dir.File("targets.ini"),
                   "[Targets]\r\nDeleteLogs=FALSE\r\nIntervalHours=0\r\nIntervalMins=0\r\n"
                   "IntervalSecs=1\r\nTimeoutMs=300\r\nCount=3\r\n" +
                       web(1, first) + "01Match=Dash\\w+.*green\r\n01TimeoutMs=5000\r\n" +
                       web(2, second) + "02Expect=200\r\n" + web(3, third));

    auto monitor = Start({m_dir.File("targets.ini"), "--quiet", "--cycles", "1"});
    ASSERT_EQ(monitor->Wait(20s), 0) << monitor->Errors();
    first.Finish();
    second.Finish();
    third.Finish();

    const std::string out = monitor->Output();
    EXPECT_TRUE(std::regex_search(
        out, std::regex("Success: .*<HTML>http://127.0.0.1:" + std::to_string(first.Port()))))
        << out;
    EXPECT_TRUE(std::regex_search(
        out, std::regex("Success: .*<HTML>http://127.0.0.1:" + std::to_string(second.Port()))))
        << out;
    EXPECT_TRUE(std::regex_search(
        out, std::regex("Failure: .*<HTML>http://127.0.0.1:" + std::to_string(third.Port()))))
        << out;
    for (const char* reason :
         {"reason: HEAD refused (405); GET answered 200\n", "reason: Read Timeout\n"})
        EXPECT_NE(monitor->Errors().find(reason), std::string::npos) << monitor->Errors();
    EXPECT_EQ(first.ReceivedLines().at(0), "GET / HTTP/1.1");
    EXPECT_EQ(second.ReceivedLines().at(6), "GET / HTTP/1.1");
}

} // namespace
} // namespace velnorix::kit
