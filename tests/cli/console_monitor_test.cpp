#include "base/file_descriptor.h"
#include "cli/child_process.h"
#include "console_rig.h"
#include "support/case_names.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <pty.h>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velnorix::kit {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

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

// SIGUSR1 pauses alerts and SIGUSR2 resumes them while the run goes on: each is said on
// standard error and is one line of the event log.
TEST_F(ConsoleMonitorTest, PauseSignalsPauseAndResumeAlerts) {
    WriteWholeFile(m_dir.File("targets.ini"), TargetsConfig(1, false, {}));
    auto monitor = Start({m_dir.File("targets.ini")});
    const auto eventLogSays = [this](const std::string& text) {
        for (int i = 0; i < 500; ++i) {
            const auto events = LogFiles(".evt");
            if (!events.empty() &&
                ReadWholeFile(events.front().string()).find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    };
    for (int i = 0; i < 500 && LogFiles(".evt").empty(); ++i)
        std::this_thread::sleep_for(10ms);
    monitor->Signal(SIGUSR1);
    EXPECT_TRUE(eventLogSays("  Alerts paused\r\n"));
    monitor->Signal(SIGUSR2);
    EXPECT_TRUE(eventLogSays("  Alerts resumed\r\n"));
    monitor->Signal(SIGTERM);
    ASSERT_EQ(monitor->Wait(30s), 0) << monitor->Errors();
    EXPECT_NE(monitor->Errors().find("Alerts paused until SIGUSR2\n"), std::string::npos)
        << monitor->Errors();
    EXPECT_NE(monitor->Errors().find("Alerts resumed\n"), std::string::npos);
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

} // namespace
} // namespace velnorix::kit
