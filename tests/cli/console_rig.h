#pragma once

#include "cli/child_process.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace velnorix::kit {

// A ping of 127.0.0.1 (when asked, or when there is nothing else) then SMTP targets on the given
// ports of 127.0.0.1.
inline std::string TargetsConfig(int intervalSecs, bool deleteLogs,
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

inline ServerScript
SmtpDialogue(std::chrono::milliseconds delayBeforeGreeting = std::chrono::milliseconds(0)) {
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
