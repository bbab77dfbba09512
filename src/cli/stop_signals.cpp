#include "cli/stop_signals.h"

#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace velnorix {
namespace {

volatile std::sig_atomic_t g_stopRequested = 0;
int g_wakePipe[2] = {-1, -1};

extern "C" void NoteStopRequest(int) {
    g_stopRequested = 1;
    const char byte = 's';
    [[maybe_unused]] const auto ignored = ::write(g_wakePipe[1], &byte, 1);
}

} // namespace

StopSignals::StopSignals() {
    if (::pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    struct sigaction action {};
    action.sa_handler = NoteStopRequest;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls restart where they can; the probes' waits retry on EINTR.
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(g_wakePipe[0]);
    ::close(g_wakePipe[1]);
}

int StopSignals::WakeDescriptor() const {
    return g_wakePipe[0];
}

bool StopSignals::TakeStopRequest() {
    char drain[64];
    while (::read(g_wakePipe[0], drain, sizeof drain) > 0) {
    }
    const bool requested = g_stopRequested != 0;
    g_stopRequested = 0;
    return requested;
}

} // namespace velnorix
