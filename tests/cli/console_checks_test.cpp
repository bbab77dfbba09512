#include "console_rig.h"
#include "support/loopback_server.h"
#include "support/scripted_name_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <string>

namespace velnorix::kit {
namespace {

using namespace std::chrono_literals;

// A file with DNS and TCP targets, read and run by the console program: a name server on
// 127.0.0.1 that holds two addresses (one target expects both, one a third) and answers "no such
// name" on another port, and a banner server whose greeting one target expects and one forbids.
TEST_F(ConsoleMonitorTest, DnsAndTcpTargetsFromTheFileGiveTheirResultLinesAndReasons) {
    ScriptedNameServer zone(Answer::Records, {ARecord("10.0.0.1"), ARecord("10.0.0.2")});
    ScriptedNameServer missing(Answer::NoSuchName);
    LoopbackServer banners(
        {ServerScript().SendLine("SSH-2.0-Probe"), ServerScript().SendLine("SSH-2.0-Probe")});
    std::string text = "[Targets]\r\nDeleteLogs=FALSE\r\nIntervalHours=0\r\nIntervalMins=0\r\n"
                       "IntervalSecs=0\r\nTimeoutMs=2000\r\nCount=5\r\n";
    const auto add = [&text](int n, const std::string& keys) {
        const std::string prefix = "0" + std::to_string(n);
        std::string lines = keys;
        for (std::size_t at = 0; at < lines.size(); at = lines.find("\n", at) + 1)
            lines.insert(at, prefix);
        text += std::regex_replace(lines, std::regex("\n"), "\r\n");
    };
    const std::string port = std::to_string(banners.Port());
    add(1, "Type=<DNS>\nAddr=www.probe.test\nServer=" + zone.Address() +
               "\nExpect=10.0.0.2, 10.0.0.1\nAudible=FALSE\n");
    add(2, "Type=<DNS>\nAddr=www.probe.test\nServer=" + zone.Address() +
               "\nExpect=10.0.0.9\nAudible=FALSE\n");
    add(3, "Type=<DNS>\nAddr=gone.probe.test\nRecord=MX\nServer=" + missing.Address() +
               "\nAudible=FALSE\n");
    add(4, "Type=<TCP>\nAddr=127.0.0.1\nPort=" + port + "\nMatch=^SSH-2\\.0\nAudible=FALSE\n");
    add(5, "Type=<TCP>\nAddr=127.0.0.1\nPort=" + port +
               "\nMatch=SSH\nMatchAbsent=TRUE\nTimeoutMs=200\nAudible=FALSE\n");
    WriteWholeFile(m_dir.File("checks.ini"), text);

    auto monitor = Start({"checks.ini", "--cycles", "1", "--quiet"});
    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    banners.Finish();
    const std::string stamp = R"(   1 \d\d:\d\d:\d\d \w{3} \d\d, \d{4}  )";
    const std::string secs = R"( +\d+\.\d\d secs  )";
    EXPECT_TRUE(std::regex_match(monitor->Output(),
                                 std::regex(stamp + "Success:" + secs + "<DNS>www.probe.test\n" +
                                            stamp + "Failure:" + secs + "<DNS>www.probe.test\n" +
                                            stamp + "Failure:" + secs + "<DNS>gone.probe.test\n" +
                                            stamp + "Success:" + secs + "<TCP>127.0.0.1\n" + stamp +
                                            "Failure:" + secs + "<TCP>127.0.0.1\n")))
        << monitor->Output();
    for (const char* reason : {"Missing from answer: 10.0.0.9; answer: 10.0.0.1, 10.0.0.2",
                               "DNS NXDOMAIN", "Banner matches: SSH-2.0-Probe"})
        EXPECT_NE(monitor->Errors().find(reason), std::string::npos) << reason << "\n"
                                                                     << monitor->Errors();
}

} // namespace
} // namespace velnorix::kit
