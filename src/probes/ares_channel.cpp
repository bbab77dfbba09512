#include "probes/ares_channel.h"

#include "probes/probe_errors.h"

#include <array>
#include <cerrno>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <vector>

namespace velnorix {
namespace {

void InitialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (const int status = ::ares_library_init(ARES_LIB_INIT_ALL); status != ARES_SUCCESS)
            throw std::runtime_error(std::string("c-ares: ") + ::ares_strerror(status));
    });
}

// Milliseconds until the resolver wants to act on its own (a retry, a time-out), but no
// later than the deadline.
int NextWakeMs(ares_channel channel, const Deadline& deadline) {
    const int remaining = deadline.RemainingMs();
    timeval longest{remaining / 1000, static_cast<suseconds_t>(remaining % 1000) * 1000};
    timeval buffer{};
    const timeval* next = ::ares_timeout(channel, &longest, &buffer);
    return static_cast<int>(next->tv_sec * 1000 + (next->tv_usec + 999) / 1000);
}

} // namespace

AresChannel OpenAresChannel(const AresChannelSettings& settings, int& status) {
    InitialiseLibraryOnce();
    ares_options options{};
    int mask = 0;
    std::string lookups = settings.Lookups;
    if (!lookups.empty()) {
        options.lookups = lookups.data();
        mask |= ARES_OPT_LOOKUPS;
    }
    if (settings.TryTimeout.count() > 0) {
        options.timeout = static_cast<int>(settings.TryTimeout.count());
        mask |= ARES_OPT_TIMEOUTMS;
    }
    if (settings.Tries > 0) {
        options.tries = settings.Tries;
        mask |= ARES_OPT_TRIES;
    }
    if (settings.Flags != 0) {
        options.flags = settings.Flags;
        mask |= ARES_OPT_FLAGS;
    }
    ares_channel raw = nullptr;
    status = ::ares_init_options(&raw, &options, mask);
    if (status != ARES_SUCCESS)
        return {nullptr, ::ares_destroy};
    AresChannel channel(raw, ::ares_destroy);
    if (!settings.Servers.empty()) {
        status = ::ares_set_servers_ports_csv(raw, settings.Servers.c_str());
        if (status != ARES_SUCCESS)
            return {nullptr, ::ares_destroy};
    }
    return channel;
}

void RunAresUntil(ares_channel channel, const std::function<bool()>& done,
                  const Deadline& deadline) {
    while (!done()) {
        if (deadline.Passed())
            throw SocketError(ETIMEDOUT);
        std::array<ares_socket_t, ARES_GETSOCK_MAXNUM> sockets{};
        const int bits = ::ares_getsock(channel, sockets.data(), ARES_GETSOCK_MAXNUM);
        std::vector<pollfd> waits;
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            short events = 0;
            if (ARES_GETSOCK_READABLE(bits, i))
                events |= POLLIN;
            if (ARES_GETSOCK_WRITABLE(bits, i))
                events |= POLLOUT;
            if (events != 0)
                waits.push_back(pollfd{sockets[static_cast<std::size_t>(i)], events, 0});
        }
        const int ready = ::poll(waits.data(), waits.size(), NextWakeMs(channel, deadline));
        if (ready < 0 && errno != EINTR)
            throw SocketError(errno);
        if (ready <= 0) {
            // Nothing to read: let the resolver retry or give up on its own clock.
            ::ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
            continue;
        }
        for (const pollfd& wait : waits) {
            const bool readable = (wait.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
            const bool writable = (wait.revents & POLLOUT) != 0;
            ::ares_process_fd(channel, readable ? wait.fd : ARES_SOCKET_BAD,
                              writable ? wait.fd : ARES_SOCKET_BAD);
        }
    }
}

} // namespace velnorix
