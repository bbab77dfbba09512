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
#include <pty.h>
#include <regex>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace velnorix::kit {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A ping of 127.0.0.1 (when asked, or when there is nothing else) then SMTP targets on the given
// ports of 127.0.0.1.
std::string TargetsConfig(int intervalSecs, bool deleteLogs,
                          const std::vector<std::uint16_t>& smtpPorts, bool ping = false) {
    ping = ping || smtpPorts.empty();
    std::string text =
        std::string("[Targets]\r\nDeleteLogs=") + (deleteLogs ? "TRUE" : "FALSE") +
        "\r\nIntervalHours=0\r\nIntervalMins=0\r\nIntervalSecs=" + std::to_string(intervalSecs) +
        "\r\nCount=" + std::to_string(smtpPorts.size() + (ping ? 1 : 0)) + "\r\n";
    if (ping)
        text += "01Type=<Ping>\r\n01Addr=127.0.0.1\r\n01Audible=FALSE\r\n";
    for (std::size_t i = 0; i < smtpPorts.size(); ++i) {
        const std::string p = "0" + std::to_string(i + (ping ? 2 : 1));
        text += p + "Type=<SMTP>\r\n" + p + "Addr=127.0.0.1\r\n" + p + "Audible=FALSE\r\n" + p +
                "Port=" + std::to_string(smtpPorts[i]) + "\r\n";
    }
    return text;
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

// Stop signals during a cycle: one completes the cycle and keeps the logs or deletes them as the
// configuration says; a second one, with one probe at a time or two at once, starts no further
// probe and closes the block of those begun. While the cycle waits for the slow first target,
// another worker is free to take more; each of the others lasts past the signals.
struct StopCase {
    const char* Name;
    std::vector<int> Signals;
    int Parallel;
    bool DeleteLogs;
    std::size_t OthersAtLeast;
    std::size_t OthersAtMost;
};

class StopSignalTest : public ConsoleMonitorTest, public testing::WithParamInterface<StopCase> {};

TEST_P(StopSignalTest, EndTheRunAsTheyShould) {
    const StopCase& c = GetParam();
    LoopbackServer first(SmtpDialogue(700ms));
    LoopbackServer others(std::vector<ServerScript>(4, SmtpDialogue(500ms)));
    const std::uint16_t other = others.Port();
    WriteWholeFile(m_dir.File("targets.ini"),
                   TargetsConfig(1, c.DeleteLogs, {first.Port(), other, other, other, other}) +
                       "Parallel=" + std::to_string(c.Parallel) + "\r\n");
    auto monitor = Start({m_dir.File("targets.ini"), "--quiet"});
    for (int i = 0; i < 500 && first.ConnectionCount() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_EQ(first.ConnectionCount(), 1u);
    for (const int signal : c.Signals)
        monitor->Signal(signal);

    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    EXPECT_NE(monitor->Errors().find("Stopping after this cycle (Ctrl-C again to stop sooner)\n"),
              std::string::npos)
        << monitor->Errors();
    EXPECT_GE(others.ConnectionCount(), c.OthersAtLeast) << "the cycle was cut short";
    EXPECT_LE(others.ConnectionCount(), c.OthersAtMost)
        << "a probe started after the second signal";
    const std::string printed = monitor->Output();
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1 + others.ConnectionCount());
    EXPECT_EQ(LogFiles(".log").size(), c.DeleteLogs ? 0u : 1u);
    EXPECT_EQ(LogFiles(".smy").size(), c.DeleteLogs ? 0u : 1u);
    if (c.DeleteLogs)
        return;
    const auto detail = SplitCrLfLines(ReadWholeFile(LogFiles(".log").at(0).string()));
    ASSERT_EQ(detail.size(), 2 + others.ConnectionCount()) << "one block, and no second one";
    EXPECT_NE(detail[0].find("Success:"), std::string::npos) << "the probe in progress finished";
    EXPECT_EQ(detail.back(), "");
    const auto summary = SplitCrLfLines(ReadWholeFile(LogFiles(".smy").at(0).string()));
    ASSERT_EQ(summary.size(), 2u + 7); // the five targets' rows, the totals and the space line
    EXPECT_EQ(summary[2].substr(42, 24), "       1       1       0") << summary[2];
    EXPECT_EQ(summary[3].substr(42, 24), others.ConnectionCount() > 0 ? "       1       1       0"
                                                                      : "       0       0       0")
        << summary[3];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StopSignalTest,
    testing::Values(StopCase{"Once", {SIGTERM}, 1, false, 4, 4},
                    StopCase{"OnceDeletingTheLogs", {SIGINT}, 1, true, 4, 4},
                    StopCase{"Twice", {SIGTERM, SIGINT}, 1, false, 0, 0},
                    StopCase{"TwiceOnTwoWorkers", {SIGTERM, SIGINT}, 2, false, 0, 1}),
    NamedCase{});

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

// Starts that end before any cycle, each with its own status and message: nothing on standard
// output, no log, and no file called empty that is not.
TEST_F(ConsoleMonitorTest, BadStartsEndWithTheirOwnStatusAndMessage) {
    // A missing file: the path tried, and where a bare name is looked up.
    const std::string folder = fs::canonical(m_dir.Path()).string();
    const UnansweredListener taken;
    const std::string port = std::to_string(taken.Port());
    const std::string missing =
        "No Ini Name established!\nPlease try again\nvelnorix-cli: no configuration file " +
        folder + "/missing.ini (a name without a folder is looked up in " + folder + ")\n";
    const std::string inUse =
        "cannot serve metrics on 127.0.0.1 port " + port + ": Address already in use";
    const std::string parallel = "--parallel needs a whole number from 1 to 64, not \"";
    const std::string ping = TargetsConfig(1, false, {});
    const std::string zero = "Ini file sets Parallel to 0; it must be from 1 to 64.\n";
    struct Case {
        std::vector<std::string> Arguments;
        std::string Config; // written to the file the first argument names; empty: none is
        int Status;
        std::string Message;
        bool AsNobody = false;
        int FileMode = 0644;
        int FolderMode = 0755;
    };
    const Case cases[] = {
        {{"missing.ini"}, "", 2, missing},
        {{"empty.ini"}, "[Targets]\r\nCount=0\r\n", 3, "Ini file is empty!\nPlease try again.\n"},
        {{"range.ini"}, "[Targets]\r\nIntervalMins=-1\r\nCount=1\r\n", 4, "Range check error.\n"},
        {{"parallel.ini"}, ping + "Parallel=0\r\n", 4, zero},
        {{"folder.ini"}, "", 4, "Is a directory"},
        {{"metrics.ini", "--metrics", "127.0.0.1:" + port}, ping, 6, inUse},
        {{}, "", 1, "Usage:"},
        {{"a.ini", "--cycles", "0"}, "", 1, "Usage:"},
        {{"a.ini", "--bogus"}, "", 1, "Usage:"},
        {{"a.ini", "b.ini"}, "", 1, "Usage:"},
        {{"a.ini", "--cycles"}, "", 1, "Usage:"},
        {{"a.ini", "--parallel", "0"}, "", 1, parallel + "0\""},
        {{"a.ini", "--parallel", "65"}, "", 1, parallel + "65\""},
        {{"a.ini", "--parallel", "x"}, "", 1, parallel + "x\""},
        // As an unprivileged user: a file of mode 000, and a program folder it cannot write.
        {{"locked.ini"}, ping, 4, "Permission denied", true, 0},
        {{"targets.ini"}, ping, 5, "Cannot create file", true, 0644, 0555},
    };
    fs::create_directory(m_dir.File("folder.ini"));
    ::chmod(m_capture.Path().c_str(), 0777);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Arguments));
        if (c.AsNobody && ::geteuid() != 0)
            continue; // becoming an unprivileged user needs root
        if (!c.Config.empty()) {
            WriteWholeFile(m_dir.File(c.Arguments[0]), c.Config);
            ::chmod(m_dir.File(c.Arguments[0]).c_str(), c.FileMode);
        }
        ::chmod(m_dir.Path().c_str(), c.FolderMode);
        auto monitor = Start(c.Arguments, c.AsNobody);
        const int status = monitor->Wait(10s);
        ::chmod(m_dir.Path().c_str(), 0755);
        EXPECT_EQ(status, c.Status) << monitor->Errors();
        EXPECT_NE(monitor->Errors().find(c.Message), std::string::npos) << monitor->Errors();
        // The usage lists every status, "empty" among them.
        EXPECT_EQ(c.Status != 1 && monitor->Errors().find("empty") != std::string::npos,
                  c.Status == 3);
        EXPECT_EQ(monitor->Output(), "");
        EXPECT_TRUE(LogFiles(".log").empty());
    }
}

TEST_F(ConsoleMonitorTest, AnswersHelpAndVersion) {
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
}

struct ReasonsCase {
    const char* Name;
    std::vector<std::string> Options;
    std::string ExpectedErrors;
    bool OnTerminal = false;
};

class ConsoleReasonsTest : public ConsoleMonitorTest,
                           public testing::WithParamInterface<ReasonsCase> {};

// A ping, a working mail server and a refused port over two cycles back to back, the file given by
// a bare name: standard output holds exactly the result lines, as the detail log does; the summary
// log has its table, and the reasons go to standard error only. What a terminal shows: the status
// text lives on its own line and is erased before a result line takes it, so the two never meet.
TEST_P(ConsoleReasonsTest, GoToStandardErrorLeavingTheOutputAsTheLogsLines) {
    LoopbackServer smtp({SmtpDialogue(), SmtpDialogue()});
    RefusingPort refusing;
    WriteWholeFile(m_dir.File("mixed.ini"),
                   TargetsConfig(0, false, {smtp.Port(), refusing.Port()}, true) +
                       "Parallel=3\r\n");
    std::vector<std::string> arguments = {"mixed.ini", "--cycles", "2", "--quiet"};
    arguments.insert(arguments.end(), GetParam().Options.begin(), GetParam().Options.end());
    int controller = -1;
    int terminal = -1;
    ASSERT_TRUE(!GetParam().OnTerminal ||
                ::openpty(&controller, &terminal, nullptr, nullptr, nullptr) == 0);
    const FileDescriptor screenSide(controller);
    FileDescriptor programSide(terminal);
    auto monitor = Start(arguments, false, terminal);
    programSide.Close(); // the screen side then reads an end once the program has gone
    std::string screen;
    char buffer[4096];
    for (ssize_t got; (got = ::read(controller, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, static_cast<std::size_t>(got));
    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors() << screen;
    smtp.Finish();
    EXPECT_TRUE(smtp.Mismatches().empty());
    int shownResults = 0;
    std::istringstream shown(screen);
    for (std::string line; std::getline(shown, line);) {
        // What stays visible of a line: the text after its last "clear to the end".
        const std::size_t cleared = line.rfind("\033[K");
        const std::string visible = cleared == std::string::npos ? line : line.substr(cleared + 3);
        if (visible.find("Success:") == std::string::npos &&
            visible.find("Failure:") == std::string::npos)
            continue;
        ++shownResults;
        EXPECT_EQ(visible.find("Testing-->"), std::string::npos) << visible;
    }
    EXPECT_EQ(shownResults, GetParam().OnTerminal ? 6 : 0) << screen;

    const auto detail = LogFiles(".log");
    const auto summary = LogFiles(".smy");
    ASSERT_EQ(detail.size(), 1u);
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_TRUE(
        std::regex_match(detail[0].filename().string(), std::regex(R"(Velnorix\d{12}\.log)")));
    const std::regex resultLine(R"(   ([12]) \d\d:\d\d:\d\d [A-Z][a-z]{2} \d\d, \d{4}  )"
                                R"((Success|Failure): +\d+\.\d\d secs  <(Ping|SMTP)>127\.0\.0\.1)");
    const auto detailLines = SplitCrLfLines(ReadWholeFile(detail[0].string()));
    ASSERT_EQ(detailLines.size(), 8u); // each cycle's three result lines and an empty line
    std::string resultLines;
    for (std::size_t i = 0; i < detailLines.size(); ++i) {
        if (i % 4 == 3) {
            EXPECT_EQ(detailLines[i], "");
        } else {
            EXPECT_TRUE(std::regex_match(detailLines[i], resultLine)) << detailLines[i];
            resultLines += detailLines[i] + "\n";
        }
    }
    EXPECT_NE(detailLines[1].find("Success:"), std::string::npos);
    EXPECT_NE(detailLines[1].find("<SMTP>"), std::string::npos);
    EXPECT_EQ(detailLines[4].substr(0, 5), "   2 ");
    EXPECT_EQ(monitor->Output(), GetParam().OnTerminal ? "" : resultLines);
    const std::string start = "Cycles back to back, 2 in all; logs in " +
                              fs::canonical(m_dir.Path()).string() + "; kept at exit\n";
    EXPECT_EQ(monitor->Errors(), GetParam().OnTerminal ? "" : start + GetParam().ExpectedErrors);

    const auto summaryLines = SplitCrLfLines(ReadWholeFile(summary[0].string()));
    ASSERT_EQ(summaryLines.size(), 2u + 2 * 5);
    EXPECT_EQ(summaryLines[0].substr(0, 11), "Cycl Target");
    EXPECT_EQ(summaryLines[3].substr(0, 42), "   1 127.0.0.1                      <SMTP>");
    EXPECT_EQ(summaryLines.back(), " ");
}

const std::string kRefusedReason = "   reason: Socket Error # 111 Connection refused\n";

// The run without reasons also takes the most workers from the command line.
INSTANTIATE_TEST_SUITE_P(
    Cases, ConsoleReasonsTest,
    testing::Values(ReasonsCase{"reasons", {}, kRefusedReason + kRefusedReason},
                    ReasonsCase{"no reasons", {"--no-reasons", "--parallel=64"}, ""},
                    ReasonsCase{"terminal", {}, "", true}),
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
    const sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return {};
    ::send(socket.Get(), firstBytes.data(), firstBytes.size(), MSG_NOSIGNAL);
    return socket;
}

// Sends `request` as it stands and reads until the server closes: the whole reply, or nothing
// when the server stayed quiet for `patience`.
std::string HttpExchange(std::uint16_t port, std::string_view request,
                         std::chrono::milliseconds patience) {
    const FileDescriptor socket = ConnectTo(port, request);
    const timeval wait{patience.count() / 1000, patience.count() % 1000 * 1000};
    ::setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string reply;
    char buffer[16384];
    ssize_t got = 0;
    while ((got = ::recv(socket.Get(), buffer, sizeof buffer, 0)) > 0)
        reply.append(buffer, static_cast<std::size_t>(got));
    return got == 0 ? reply : "";
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

} // namespace
} // namespace velnorix::kit
