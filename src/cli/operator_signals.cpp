#include "cli/operator_signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace velnorix {
namespace {

// Touched by the handler, so they must not take a lock.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> g_stopPending{0};
std::atomic<int> g_operatorStops{0};
static_assert(std::atomic<bool>::is_always_lock_free);
std::atomic<bool> g_cycleRunning{false};
std::atomic<bool> g_onTerminal{false};
// 0: no pause signal since the last look; 1: pause; 2: resume.
std::atomic<int> g_pausePending{0};
int g_wakePipe[2] = {-1, -1};

constexpr char kClearLine[] = "\r\033[K";
constexpr char kStoppingNotice[] = "Stopping after this cycle (Ctrl-C again to stop sooner)\n";

// write() is safe in a signal handler; what it could not write is not worth retrying.
void WriteQuietly(const char* text, std::size_t length) {
    [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, text, length);
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGPIPE};

extern "C" void NoteStopRequest(int signal) {
    const int savedErrno = errno; // the interrupted code may be about to read it
    g_stopPending.store(1);
    if (signal != SIGPIPE && g_operatorStops.fetch_add(1) == 0 && g_cycleRunning.load()) {
        if (g_onTerminal.load())
            WriteQuietly(kClearLine, sizeof kClearLine - 1);
        WriteQuietly(kStoppingNotice, sizeof kStoppingNotice - 1);
    }
    const char byte = 's';
    [[maybe_unused]] const auto ignored = ::write(g_wakePipe[1], &byte, 1);
    errno = savedErrno;
}

extern "C" void NotePauseRequest(int signal) {
    const int savedErrno = errno;
    g_pausePending.store(signal == SIGUSR1 ? 1 : 2);
    const char byte = 'p';
    [[maybe_unused]] const auto ignored = ::write(g_wakePipe[1], &byte, 1);
    errno = savedErrno;
}

constexpr int kPauseSignals[] = {SIGUSR1, SIGUSR2};

} // namespace

OperatorSignals::OperatorSignals() {
    if (::pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    struct sigaction action {};
    action.sa_handler = NoteStopRequest;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls restart where they can; the probes' waits retry on EINTR.
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals)
        ::sigaction(signal, &action, nullptr);
    action.sa_handler = NotePauseRequest;
    for (const int signal : kPauseSignals)
        ::sigaction(signal, &action, nullptr);
}

OperatorSignals::~OperatorSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGUSR1, SIG_DFL);
    std::signal(SIGUSR2, SIG_DFL);
    // Output still buffered for a reader that has gone must not kill the program on its way out.
    std::signal(SIGPIPE, SIG_IGN);
    ::close(g_wakePipe[0]);
    ::close(g_wakePipe[1]);
}

int OperatorSignals::WakeDescriptor() const {
    return g_wakePipe[0];
}

bool OperatorSignals::TakeStopRequest() {
    char drain[64];
    while (::read(g_wakePipe[0], drain, sizeof drain) > 0) {
    }
    // Taken and cleared in one step, so a signal arriving meanwhile stays pending.
    return g_stopPending.exchange(0) != 0;
}

std::optional<bool> OperatorSignals::TakePauseRequest() {
    switch (g_pausePending.exchange(0)) {
    case 1:
        return true;
    case 2:
        return false;
    default:
        return std::nullopt;
    }
}

bool OperatorSignals::StopRepeated() const {
    return g_operatorStops.load() > 1;
}

void OperatorSignals::SetCycleRunning(bool running, bool terminal) {
    g_onTerminal.store(terminal);
    g_cycleRunning.store(running);
}

} // namespace velnorix
