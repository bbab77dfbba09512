#include "cli/child_process.h"

#include "support/temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velnorix::kit {

ChildProcess::ChildProcess(const Options& options)
    : m_outPath(options.CaptureDirectory + "/stdout.txt"),
      m_errPath(options.CaptureDirectory + "/stderr.txt") {
    std::vector<char*> argv;
    for (const std::string& argument : options.Arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        // Close-on-exec, so the program keeps only the copies made below: its descriptors are
        // what some tests measure.
        const int out = ::open(m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        const int err = ::open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        const int in = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (out < 0 || err < 0 || in < 0)
            ::_exit(126);
        ::dup2(in, 0);
        ::dup2(options.Terminal >= 0 ? options.Terminal : out, 1);
        ::dup2(options.Terminal >= 0 ? options.Terminal : err, 2);
        if (options.DropToNobody && ::geteuid() == 0 &&
            (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

void ChildProcess::Signal(int signal) const {
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

int ChildProcess::Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(m_pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ChildProcess::Output() const {
    return ReadWholeFile(m_outPath);
}

std::string ChildProcess::Errors() const {
    return ReadWholeFile(m_errPath);
}

} // namespace velnorix::kit
