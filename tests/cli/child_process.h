#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace velnorix::kit {

// A program started with its standard output and error captured in files.
class ChildProcess final {
public:
    struct Options {
        std::vector<std::string> Arguments; // the program first
        std::string CaptureDirectory;
        bool DropToNobody = false; // when running as root: become an unprivileged user first
        // A terminal's descriptor that takes standard output and error instead of the files.
        int Terminal = -1;
    };

    explicit ChildProcess(const Options& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const;
    // The process id while the program runs; -1 once Wait has collected it.
    [[nodiscard]] pid_t Pid() const { return m_pid; }
    // The exit status, or -1 when the program had to be killed after `limit`.
    int Wait(std::chrono::milliseconds limit);
    [[nodiscard]] std::string Output() const;
    [[nodiscard]] std::string Errors() const;

private:
    pid_t m_pid = -1;
    std::string m_outPath;
    std::string m_errPath;
};

} // namespace velnorix::kit
