#pragma once

#include "cli/child_process.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

// The console monitor's run and its configuration files, shared by the tests of its runs and
// those of its metrics endpoint.
namespace velnorix::kit {

inline std::string IniLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// SMTP targets on the given ports of 127.0.0.1, or one ping of 127.0.0.1 when there are none.
inline std::string TargetsConfig(int intervalSecs, bool deleteLogs,
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

inline ServerScript SmtpDialogue(std::chrono::milliseconds delayBeforeGreeting = {}) {
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
        std::filesystem::copy_file(VELNORIX_CLI_PATH, m_program);
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
        return schedule + "; logs in " + std::filesystem::canonical(m_dir.Path()).string() +
               "; kept at exit\n";
    }

    std::vector<std::filesystem::path> LogFiles(const std::string& extension) const {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
            if (entry.path().extension() == extension)
                found.push_back(entry.path());
        return found;
    }

    TempDir m_dir;
    TempDir m_capture;
    std::string m_program;
};

} // namespace velnorix::kit
