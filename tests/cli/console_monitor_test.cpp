#include "base/file_descriptor.h"
#include "cli/child_process.h"
#include "support/case_names.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <regex>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace velnorix::kit {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string IniLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// A configuration with a ping of 127.0.0.1 and an SMTP server on the given port.
std::string PingAndSmtpConfig(std::uint16_t smtpPort, bool deleteLogs) {
    return IniLines({"[Targets]", deleteLogs ? "DeleteLogs=TRUE" : "DeleteLogs=FALSE",
                     "IntervalHours=0", "IntervalMins=0", "IntervalSecs=1", "Count=2",
                     "01Type=<Ping>", "01Addr=127.0.0.1",
                     "01User=", "01Password=", "01Audible=FALSE", "01Port=0", "02Type=<SMTP>",
                     "02Addr=127.0.0.1", "02User=", "02Password=", "02Audible=TRUE",
                     "02Port=" + std::to_string(smtpPort)});
}

// SMTP targets on the given ports of 127.0.0.1, or one ping of 127.0.0.1 when there are none.
std::string TargetsConfig(int intervalSecs, bool deleteLogs,
                          const std::vector<std::uint16_t>& smtpPorts) {
    std::vector<std::string> lines = {
        "[Targets]",
        deleteLogs ? "DeleteLogs=TRUE" : "DeleteLogs=FALSE",
        "IntervalHours=0",
        "IntervalMins=0",
        "IntervalSecs=" + std::to_string(intervalSecs),
        "Count=" + std::to_string(std::max<std::size_t>(smtpPorts.size(), 1))};
    if (smtpPorts.empty())
        lines.insert(lines.end(), {"01Type=<Ping>", "01Addr=127.0.0.1", "01Audible=FALSE"});
    for (std::size_t i = 0; i < smtpPorts.size(); ++i) {
        const std::string prefix = "0" + std::to_string(i + 1);
        lines.insert(lines.end(),
                     {prefix + "Type=<SMTP>", prefix + "Addr=127.0.0.1", prefix + "Audible=FALSE",
                      prefix + "Port=" + std::to_string(smtpPorts[i])});
    }
    return IniLines(lines);
}

ServerScript SmtpDialogue(std::chrono::milliseconds delayBeforeGreeting = 0ms) {
    ServerScript script;
    script.Pause(delayBeforeGreeting).SendLine("220 mail.test ready");
    script.ReadLine().SendLine("250 mail.test");
    script.ExpectLine("QUIT").Close();
    return script;
}

// The console monitor as an operator runs it: a copy of the real executable in a directory of
// its own, which is also where it writes its logs.
class ConsoleMonitorTest : public testing::Test {
protected:
    ConsoleMonitorTest() {
        m_program = m_dir.File("velnorix-cli");
        fs::copy_file(VELNORIX_CLI_PATH, m_program);
        ::chmod(m_dir.Path().c_str(), 0755);
    }

    std::unique_ptr<ChildProcess> Start(std::vector<std::string> arguments, bool asNobody = false,
                                        int terminal = -1) {
        arguments.insert(arguments.begin(), m_program);
        return std::make_unique<ChildProcess>(
            ChildProcess::Options{arguments, m_capture.Path(), asNobody, terminal});
    }

    // The start line on standard error of a run with the given schedule and logs kept.
    [[nodiscard]] std::string StartLine(const std::string& schedule) const {
        return schedule + "; logs in " + fs::canonical(m_dir.Path()).string() + "; kept at exit\n";
    }

    std::vector<fs::path> LogFiles(const std::string& extension) const {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            if (entry.path().extension() == extension)
                found.push_back(entry.path());
        return found;
    }

    TempDir m_dir;
    TempDir m_capture;
    std::string m_program;
};

TEST_F(ConsoleMonitorTest, RunsTheGivenCyclesPrintingEveryResultLineAndWritingBothLogs) {
    LoopbackServer smtp({SmtpDialogue(), SmtpDialogue()});
    WriteWholeFile(m_dir.File("targets.ini"), PingAndSmtpConfig(smtp.Port(), false));

    auto monitor = Start({"targets.ini", "--cycles", "2", "--quiet"}); // a bare name
    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    smtp.Finish();
    EXPECT_TRUE(smtp.Mismatches().empty());

    const std::regex resultLine(R"(   ([12]) \d\d:\d\d:\d\d [A-Z][a-z]{2} \d\d, \d{4}  )"
                                R"((Success|Failure): +\d+\.\d\d secs  <(Ping|SMTP)>127\.0\.0\.1)");
    std::vector<std::string> printed;
    std::istringstream output(monitor->Output());
    for (std::string line; std::getline(output, line);)
        printed.push_back(line);
    ASSERT_EQ(printed.size(), 4u) << monitor->Output();
    for (const std::string& line : printed)
        EXPECT_TRUE(std::regex_match(line, resultLine)) << line;
    EXPECT_NE(printed[1].find("Success:"), std::string::npos);
    EXPECT_NE(printed[1].find("<SMTP>"), std::string::npos);

    const auto detail = LogFiles(".log");
    const auto summary = LogFiles(".smy");
    ASSERT_EQ(detail.size(), 1u);
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(detail[0].filename().string(), std::regex(R"(Velnorix\d{12}\.log)")));
    const auto detailLines = SplitCrLfLines(ReadWholeFile(detail[0].string()));
    ASSERT_EQ(detailLines.size(), 6u);
    EXPECT_EQ(detailLines[0], printed[0]);
    EXPECT_EQ(detailLines[1], printed[1]);
    EXPECT_EQ(detailLines[2], "");
    EXPECT_EQ(detailLines[3].substr(0, 5), "   2 ");
    EXPECT_EQ(detailLines[5], "");

    const auto summaryLines = SplitCrLfLines(ReadWholeFile(summary[0].string()));
    ASSERT_EQ(summaryLines.size(), 2u + 2 * 4);
    EXPECT_EQ(summaryLines[0].substr(0, 11), "Cycl Target");
    EXPECT_EQ(summaryLines[3].substr(0, 42), "   1 127.0.0.1                      <SMTP>");
    EXPECT_EQ(summaryLines[9], " ");
}

TEST_F(ConsoleMonitorTest, StopSignalDuringACycleCompletesThatCycleAndKeepsTheLogs) {
    LoopbackServer smtp(SmtpDialogue(700ms));
    WriteWholeFile(m_dir.File("targets.ini"), PingAndSmtpConfig(smtp.Port(), false));
    auto monitor = Start({m_dir.File("targets.ini"), "--quiet"});
    for (int i = 0; i < 500 && smtp.ConnectionCount() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(smtp.ConnectionCount(), 1u);
    monitor->Signal(SIGTERM);

    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    EXPECT_NE(monitor->Errors().find("Stopping after this cycle (Ctrl-C again to stop sooner)\n"),
              std::string::npos)
        << monitor->Errors();
    const auto detail = LogFiles(".log");
    ASSERT_EQ(detail.size(), 1u);
    const auto lines = SplitCrLfLines(ReadWholeFile(detail[0].string()));
    ASSERT_EQ(lines.size(), 3u); // the whole first block, and no second one
    EXPECT_NE(lines[1].find("Success:"), std::string::npos) << lines[1];
    EXPECT_EQ(LogFiles(".smy").size(), 1u);
}

TEST_F(ConsoleMonitorTest, StopSignalDeletesTheLogsWhenTheConfigurationSaysSo) {
    LoopbackServer smtp(SmtpDialogue(700ms));
    WriteWholeFile(m_dir.File("targets.ini"), PingAndSmtpConfig(smtp.Port(), true));
    auto monitor = Start({m_dir.File("targets.ini"), "--quiet"});
    for (int i = 0; i < 500 && smtp.ConnectionCount() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    monitor->Signal(SIGINT);
    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    const std::string printed = monitor->Output();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 2) << printed;
    EXPECT_TRUE(LogFiles(".log").empty());
    EXPECT_TRUE(LogFiles(".smy").empty());
}

TEST_F(ConsoleMonitorTest, ASecondStopSignalProbesNoFurtherTargetAndClosesTheBlock) {
    LoopbackServer first(SmtpDialogue(1500ms));
    LoopbackServer second(SmtpDialogue());
    WriteWholeFile(m_dir.File("targets.ini"),
                   TargetsConfig(1, false, {first.Port(), second.Port()}));
    auto monitor = Start({m_dir.File("targets.ini"), "--quiet"});
    for (int i = 0; i < 500 && first.ConnectionCount() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(first.ConnectionCount(), 1u);
    monitor->Signal(SIGTERM);
    monitor->Signal(SIGINT);

    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    EXPECT_EQ(second.ConnectionCount(), 0u) << "a target was probed after the second signal";
    const auto detail = SplitCrLfLines(ReadWholeFile(LogFiles(".log").at(0).string()));
    ASSERT_EQ(detail.size(), 2u);
    EXPECT_NE(detail[0].find("Success:"), std::string::npos) << "the probe in progress finished";
    EXPECT_EQ(detail[1], "");
    const auto summary = SplitCrLfLines(ReadWholeFile(LogFiles(".smy").at(0).string()));
    ASSERT_EQ(summary.size(), 2u + 4); // both targets' rows, the totals and the space line
    EXPECT_EQ(summary[2].substr(42, 24), "       1       1       0") << summary[2];
    EXPECT_EQ(summary[3].substr(42, 24), "       0       0       0") << summary[3];
}

TEST_F(ConsoleMonitorTest, ASecondStopSignalStartsNoFurtherProbeOnAnyWorker) {
    // While the cycle waits for the slow first target, the other worker is free to take more;
    // each of the others takes long enough for the signals to arrive during the first of them.
    LoopbackServer first(SmtpDialogue(3s));
    LoopbackServer others(std::vector<ServerScript>(4, SmtpDialogue(1s)));
    WriteWholeFile(
        m_dir.File("targets.ini"),
        TargetsConfig(1, false,
                      {first.Port(), others.Port(), others.Port(), others.Port(), others.Port()}) +
            "Parallel=2\r\n");
    auto monitor = Start({m_dir.File("targets.ini"), "--quiet"});
    for (int i = 0; i < 500 && first.ConnectionCount() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    monitor->Signal(SIGTERM);
    monitor->Signal(SIGINT);

    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    EXPECT_LE(others.ConnectionCount(), 1u) << "a probe started after the second signal";
}

// What a terminal shows: the status text lives on its own line and is erased before a result
// line takes it, so the two never run together.
TEST_F(ConsoleMonitorTest, OnATerminalTheStatusTextIsErasedBeforeEachResultLine) {
    LoopbackServer smtp({SmtpDialogue(), SmtpDialogue()});
    RefusingPort refusing;
    WriteWholeFile(m_dir.File("targets.ini"),
                   TargetsConfig(0, false, {smtp.Port(), refusing.Port()}));
    int controller = -1;
    int terminal = -1;
    ASSERT_EQ(::openpty(&controller, &terminal, nullptr, nullptr, nullptr), 0);
    const FileDescriptor screenSide(controller);
    FileDescriptor programSide(terminal);
    auto monitor = Start({"targets.ini", "--cycles", "2", "--quiet"}, false, terminal);
    programSide.Close(); // the screen side then reads an end once the program has gone
    std::string screen;
    char buffer[4096];
    for (ssize_t got; (got = ::read(controller, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, static_cast<std::size_t>(got));
    ASSERT_EQ(monitor->Wait(30s), 0) << screen;

    int results = 0;
    std::istringstream lines(screen);
    for (std::string line; std::getline(lines, line);) {
        // What stays visible of a line: the text after its last "clear to the end".
        const std::size_t cleared = line.rfind("\033[K");
        const std::string visible = cleared == std::string::npos ? line : line.substr(cleared + 3);
        if (visible.find("Success:") == std::string::npos &&
            visible.find("Failure:") == std::string::npos)
            continue;
        ++results;
        EXPECT_EQ(visible.find("Testing-->"), std::string::npos) << visible;
    }
    EXPECT_EQ(results, 4) << screen;
}

TEST_F(ConsoleMonitorTest, AZeroIntervalWithACycleBudgetRunsTheCyclesBackToBack) {
    WriteWholeFile(m_dir.File("targets.ini"), TargetsConfig(0, false, {}) + "Parallel=3\r\n");
    auto monitor = Start({"targets.ini", "--cycles", "3", "--quiet", "--parallel=64"});
    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    const auto detail = SplitCrLfLines(ReadWholeFile(LogFiles(".log").at(0).string()));
    ASSERT_EQ(detail.size(), 6u);
    EXPECT_EQ(detail[4].substr(0, 5), "   3 ");
}

TEST_F(ConsoleMonitorTest, AReaderThatClosesTheOutputStopsTheRun) {
    WriteWholeFile(m_dir.File("targets.ini"), TargetsConfig(1, true, {}));
    // The shell reports the monitor's own status, not that of the reader.
    ChildProcess pipeline(
        {{"/bin/bash", "-c", R"("$0" targets.ini --quiet | head -1; exit "${PIPESTATUS[0]}")",
          m_program},
         m_capture.Path()});
    ASSERT_EQ(pipeline.Wait(30s), 0) << pipeline.Errors();
    const std::string printed = pipeline.Output();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
    EXPECT_TRUE(LogFiles(".log").empty()) << "the logs are deleted as configured";
    EXPECT_TRUE(LogFiles(".smy").empty());
}

TEST_F(ConsoleMonitorTest, AnUnreadableConfigurationIsReportedWithTheSystemsMessage) {
    std::filesystem::create_directory(m_dir.File("folder.ini"));
    auto monitor = Start({"folder.ini"});
    EXPECT_EQ(monitor->Wait(10s), 4);
    EXPECT_NE(monitor->Errors().find("Is a directory"), std::string::npos) << monitor->Errors();

    if (::geteuid() != 0)
        GTEST_SKIP() << "mode 000 is tried as an unprivileged user, which needs root to become";
    WriteWholeFile(m_dir.File("locked.ini"), TargetsConfig(1, false, {}));
    ::chmod(m_dir.File("locked.ini").c_str(), 0);
    ::chmod(m_capture.Path().c_str(), 0777);
    auto locked = Start({"locked.ini"}, /*asNobody=*/true);
    EXPECT_EQ(locked->Wait(10s), 4);
    EXPECT_NE(locked->Errors().find("Permission denied"), std::string::npos) << locked->Errors();
    EXPECT_EQ(locked->Errors().find("empty"), std::string::npos) << locked->Errors();
}

struct FailureCase {
    const char* Name;
    std::string Config; // empty: no file at all
    int Status;
    std::string Message;
};

TEST_F(ConsoleMonitorTest, BadConfigurationsEndWithTheirOwnStatusAndMessage) {
    // A missing file: the path tried, and where a bare name is looked up.
    const std::string folder = fs::canonical(m_dir.Path()).string();
    const FailureCase cases[] = {
        {"missing", "", 2,
         "No Ini Name established!\nPlease try again\nvelnorix-cli: no configuration file " +
             folder + "/missing.ini (a name without a folder is looked up in " + folder + ")\n"},
        {"empty", IniLines({"[Targets]", "Count=0"}), 3, "Ini file is empty!\nPlease try again.\n"},
        {"range", IniLines({"[Targets]", "IntervalMins=-1", "Count=1"}), 4, "Range check error.\n"},
        {"parallel", IniLines({"[Targets]", "Parallel=0", "Count=1", "01Type=<Ping>"}), 4,
         "Ini file sets Parallel to 0; it must be from 1 to 64.\n"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string name = std::string(c.Name) + ".ini";
        if (!c.Config.empty())
            WriteWholeFile(m_dir.File(name), c.Config);
        auto monitor = Start({name});
        EXPECT_EQ(monitor->Wait(10s), c.Status);
        EXPECT_NE(monitor->Errors().find(c.Message), std::string::npos) << monitor->Errors();
        EXPECT_TRUE(LogFiles(".log").empty());
    }
}

TEST_F(ConsoleMonitorTest, AnUnwritableProgramDirectoryEndsBeforeAnyCycle) {
    LoopbackServer smtp(ServerScript{}.Close());
    WriteWholeFile(m_dir.File("targets.ini"), PingAndSmtpConfig(smtp.Port(), false));
    ::chmod(m_dir.File("targets.ini").c_str(), 0644);
    ::chmod(m_dir.Path().c_str(), 0555);
    ::chmod(m_capture.Path().c_str(), 0777);
    auto monitor = Start({"targets.ini"}, /*asNobody=*/true);
    const int status = monitor->Wait(10s);
    ::chmod(m_dir.Path().c_str(), 0755);
    EXPECT_EQ(status, 5) << monitor->Errors();
    EXPECT_NE(monitor->Errors().find("Cannot create file"), std::string::npos) << monitor->Errors();
    EXPECT_TRUE(monitor->Output().empty());
}

TEST_F(ConsoleMonitorTest, AnswersHelpVersionAndBadArguments) {
    auto help = Start({"--help"});
    EXPECT_EQ(help->Wait(5s), 0);
    EXPECT_NE(
        help->Output().find("CONFIG.ini [--cycles N] [--log-dir DIR] [--quiet] [--no-reasons]"),
        std::string::npos);

    auto version = Start({"--version"});
    EXPECT_EQ(version->Wait(5s), 0);
    EXPECT_EQ(version->Output(), "velnorix-cli " + std::to_string(VELNORIX_VERSION_MAJOR) + '.' +
                                     std::to_string(VELNORIX_VERSION_MINOR) + '.' +
                                     std::to_string(VELNORIX_VERSION_PATCH) + '\n');

    for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                                {"a.ini", "--cycles", "0"},
                                                {"a.ini", "--bogus"},
                                                {"a.ini", "b.ini"},
                                                {"a.ini", "--cycles"}}) {
        auto monitor = Start(bad);
        EXPECT_EQ(monitor->Wait(5s), 1);
        EXPECT_NE(monitor->Errors().find("Usage:"), std::string::npos);
    }
}

TEST_F(ConsoleMonitorTest, ParallelTakesAWholeNumberFromOneTo64) {
    for (const std::string value : {"0", "65", "x"}) {
        auto monitor = Start({"a.ini", "--parallel", value});
        EXPECT_EQ(monitor->Wait(5s), 1);
        EXPECT_NE(monitor->Errors().find("--parallel needs a whole number from 1 to 64, not \"" +
                                         value + "\""),
                  std::string::npos)
            << monitor->Errors();
    }
}

struct ReasonsCase {
    const char* Name;
    std::vector<std::string> Options;
    std::string ExpectedErrors;
};

class ConsoleReasonsTest : public ConsoleMonitorTest,
                           public testing::WithParamInterface<ReasonsCase> {};

// A working mail server and a refused port over two cycles: standard output holds exactly the
// result lines, as the detail log does; the reasons go to standard error only.
TEST_P(ConsoleReasonsTest, GoToStandardErrorLeavingTheOutputAsTheLogsLines) {
    LoopbackServer smtp({SmtpDialogue(), SmtpDialogue()});
    RefusingPort refusing;
    WriteWholeFile(m_dir.File("mixed.ini"),
                   TargetsConfig(0, false, {smtp.Port(), refusing.Port()}));
    std::vector<std::string> arguments = {"mixed.ini", "--cycles", "2", "--quiet"};
    arguments.insert(arguments.end(), GetParam().Options.begin(), GetParam().Options.end());

    auto monitor = Start(arguments);
    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    std::string resultLines;
    for (const std::string& line : SplitCrLfLines(ReadWholeFile(LogFiles(".log").at(0).string())))
        if (!line.empty())
            resultLines += line + "\n";
    EXPECT_EQ(std::count(resultLines.begin(), resultLines.end(), '\n'), 4);
    EXPECT_EQ(monitor->Output(), resultLines);
    EXPECT_EQ(monitor->Errors(),
              StartLine("Cycles back to back, 2 in all") + GetParam().ExpectedErrors);
}

const std::string kRefusedReason = "   reason: Socket Error # 111 Connection refused\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleReasonsTest,
    testing::Values(ReasonsCase{"reasons", {}, kRefusedReason + kRefusedReason},
                    ReasonsCase{"no reasons", {"--no-reasons"}, ""}),
    NamedCase{});

// The value of the one sample line that starts with `series`, or nothing.
std::optional<std::string> SampleValue(const std::string& text, const std::string& series) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(series + " "))
            return line.substr(series.size() + 1);
    return std::nullopt;
}

// A connection to 127.0.0.1:`port` that has sent `firstBytes`; none while nothing listens.
FileDescriptor ConnectTo(std::uint16_t port, std::string_view firstBytes) {
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return {};
    ::send(socket.Get(), firstBytes.data(), firstBytes.size(), MSG_NOSIGNAL);
    return socket;
}

// Sends `request` as it stands and reads until the server closes: the whole reply, or nothing
// when none came within `patience`.
std::string HttpExchange(std::uint16_t port, std::string_view request,
                         std::chrono::milliseconds patience) {
    const FileDescriptor socket = ConnectTo(port, request);
    if (!socket.IsValid())
        return {};
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    std::string reply;
    char buffer[16384];
    for (ssize_t got = 1; got > 0;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
        pollfd entry{socket.Get(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            return {};
        got = ::recv(socket.Get(), buffer, sizeof buffer, 0);
        reply.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    return reply;
}

int StatusOf(const std::string& reply) {
    return reply.size() < 12 ? 0 : std::stoi(reply.substr(9, 3));
}

std::string BodyOf(const std::string& reply) {
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? "" : reply.substr(end + 4);
}

std::size_t OpenDescriptors(pid_t pid) {
    const fs::directory_iterator entries("/proc/" + std::to_string(pid) + "/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// One cycle, then the figures hold still while hostile clients try the endpoint: none of them
// may hold up a scrape or the exit, cost more than a few descriptors, or get a body read.
TEST_F(ConsoleMonitorTest, MetricsEndpointServesTheFiguresTheDetailLogShowsWhateverClientsDo) {
    LoopbackServer smtp(SmtpDialogue());
    RefusingPort refusing;
    const std::uint16_t metricsPort = RefusingPort().Port(); // free again once it is known
    // An interval of 0: one cycle, then the figures hold still until the stop signal.
    WriteWholeFile(m_dir.File("targets.ini"),
                   TargetsConfig(0, false, {smtp.Port(), refusing.Port()}));
    const std::string address = "127.0.0.1:" + std::to_string(metricsPort);
    auto monitor = Start({"targets.ini", "--quiet", "--metrics", address});

    const std::string scrape = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    std::string text;
    for (int tries = 0; tries < 300 && SampleValue(text, "velnorix_cycles_total") != "1"; ++tries) {
        std::this_thread::sleep_for(50ms);
        if (const std::string reply = HttpExchange(metricsPort, scrape, 5s);
            StatusOf(reply) == 200) {
            text = BodyOf(reply);
            EXPECT_NE(reply.find("\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\n"),
                      std::string::npos);
        }
    }
    ASSERT_EQ(SampleValue(text, "velnorix_cycles_total"), "1") << text << monitor->Errors();

    const std::string head = " HTTP/1.1\r\nHost: x\r\n";
    for (const auto& [request, status] : std::vector<std::pair<std::string, int>>{
             {"HEAD /metrics" + head + "\r\n", 200},
             {"GET /other" + head + "\r\n", 404},
             {"POST /metrics" + head + "Content-Length: 314572800\r\n\r\n", 405},
             {"GET /metrics" + head + "Content-Length: 5\r\n\r\n", 400},
             {"GET /metrics" + head + "Transfer-Encoding: chunked\r\n\r\n", 400},
             {"GET /metrics" + head + "X-Pad: " + std::string(9 * 1024, 'a') + "\r\n\r\n", 431},
         }) {
        const std::string reply = HttpExchange(metricsPort, request, 5s);
        EXPECT_EQ(StatusOf(reply), status) << request.substr(0, 40);
        EXPECT_EQ(BodyOf(reply).find("velnorix_"), std::string::npos) << request.substr(0, 40);
    }

    // Half of them idle, half stopped in the middle of a request head.
    const std::size_t descriptors = OpenDescriptors(monitor->Pid());
    std::vector<FileDescriptor> held;
    for (int i = 0; i < 200; ++i) {
        held.push_back(ConnectTo(metricsPort, i % 2 == 0 ? "" : "GET /metrics HTTP/1.1\r\nX: "));
        ASSERT_TRUE(held.back().IsValid());
    }
    // Less patience than the held connections' own 5 s deadline: only making room lets it in.
    EXPECT_EQ(BodyOf(HttpExchange(metricsPort, scrape, 4s)), text);
    // Each held connection costs the server its socket and one duplicate, 16 at most.
    EXPECT_LE(OpenDescriptors(monitor->Pid()), descriptors + 2 * 16);

    monitor->Signal(SIGTERM);
    ASSERT_EQ(monitor->Wait(3s), 0) << monitor->Errors();
    EXPECT_EQ(monitor->Errors().find("Stopping after"), std::string::npos)
        << "a stop between cycles takes effect at once";

    const auto detail = LogFiles(".log");
    ASSERT_EQ(detail.size(), 1u);
    const auto lines = SplitCrLfLines(ReadWholeFile(detail[0].string()));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Success:"), std::string::npos);
    EXPECT_NE(lines[1].find("Failure:"), std::string::npos);
    for (const auto& [index, up, down] : {std::tuple{"1", "1", "0"}, {"2", "0", "1"}}) {
        const std::string labels =
            std::string("{index=\"") + index + "\",type=\"<SMTP>\",target=\"127.0.0.1\"}";
        EXPECT_EQ(SampleValue(text, "velnorix_target_up" + labels), up);
        EXPECT_EQ(SampleValue(text, "velnorix_target_attempts_total" + labels), "1");
        EXPECT_EQ(SampleValue(text, "velnorix_target_successes_total" + labels), up);
        EXPECT_EQ(SampleValue(text, "velnorix_target_failures_total" + labels), down);
    }
}

TEST_F(ConsoleMonitorTest, MetricsAddressInUseEndsTheMonitorBeforeTheRun) {
    const UnansweredListener taken;
    WriteWholeFile(m_dir.File("targets.ini"), TargetsConfig(1, false, {}));
    auto monitor = Start({"targets.ini", "--metrics", "127.0.0.1:" + std::to_string(taken.Port())});
    EXPECT_EQ(monitor->Wait(30s), 6);
    EXPECT_NE(monitor->Errors().find("cannot serve metrics on 127.0.0.1 port " +
                                     std::to_string(taken.Port()) + ": Address already in use"),
              std::string::npos)
        << monitor->Errors();
    EXPECT_EQ(monitor->Output(), "");
    EXPECT_TRUE(LogFiles(".log").empty());
}

} // namespace
} // namespace velnorix::kit
