#include "probes/name_lookup.h"

#include "probes/probe_errors.h"

#include <algorithm>
#include <ares.h>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>

namespace velnorix {
namespace {

void InitialiseLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (const int status = ::ares_library_init(ARES_LIB_INIT_ALL); status != ARES_SUCCESS)
            throw std::runtime_error(std::string("c-ares: ") + ::ares_strerror(status));
    });
}

// The getaddrinfo error a resolver outcome stands for.
int AddrInfoErrorOf(int status) {
    switch (status) {
    case ARES_ENOTFOUND:
    case ARES_ENONAME:
    case ARES_EBADNAME:
        return EAI_NONAME;
    case ARES_ENODATA:
        return EAI_NODATA;
    case ARES_ETIMEOUT:
    case ARES_ECONNREFUSED:
    case ARES_ESERVFAIL:
    case ARES_EREFUSED:
        return EAI_AGAIN;
    case ARES_ENOMEM:
        return EAI_MEMORY;
    default:
        return EAI_FAIL;
    }
}

SocketError LookupError(int status) {
    const int code = AddrInfoErrorOf(status);
    return SocketError(code, ::gai_strerror(code));
}

using Channel = std::unique_ptr<std::remove_pointer_t<ares_channel>, decltype(&::ares_destroy)>;

Channel OpenChannel(const NameLookupSettings& settings) {
    InitialiseLibraryOnce();
    ares_options options{};
    int mask = 0;
    std::string lookups = settings.Lookups;
    if (!lookups.empty()) {
        options.lookups = lookups.data();
        mask |= ARES_OPT_LOOKUPS;
    }
    ares_channel raw = nullptr;
    if (const int status = ::ares_init_options(&raw, &options, mask); status != ARES_SUCCESS)
        throw LookupError(status);
    Channel channel(raw, ::ares_destroy);
    if (!settings.Servers.empty()) {
        if (const int status = ::ares_set_servers_ports_csv(raw, settings.Servers.c_str());
            status != ARES_SUCCESS)
            throw LookupError(status);
    }
    return channel;
}

struct Outcome {
    bool Done = false;
    int Status = ARES_SUCCESS;
    std::vector<std::string> Addresses;
};

// The node's address as text, dotted or IPv6; empty for any other family.
std::string AddressText(const ares_addrinfo_node& node) {
    std::array<char, INET6_ADDRSTRLEN> text{};
    if (node.ai_family == AF_INET && node.ai_addrlen >= sizeof(sockaddr_in)) {
        sockaddr_in address{};
        std::memcpy(&address, node.ai_addr, sizeof address);
        ::inet_ntop(AF_INET, &address.sin_addr, text.data(), text.size());
    } else if (node.ai_family == AF_INET6 && node.ai_addrlen >= sizeof(sockaddr_in6)) {
        sockaddr_in6 address{};
        std::memcpy(&address, node.ai_addr, sizeof address);
        ::inet_ntop(AF_INET6, &address.sin6_addr, text.data(), text.size());
    }
    return text.data();
}

void TakeAnswer(void* arg, int status, int /*timeouts*/, ares_addrinfo* result) {
    auto& outcome = *static_cast<Outcome*>(arg);
    const std::unique_ptr<ares_addrinfo, decltype(&::ares_freeaddrinfo)> owner(result,
                                                                               ::ares_freeaddrinfo);
    outcome.Done = true;
    outcome.Status = status;
    if (status != ARES_SUCCESS || result == nullptr)
        return;
    for (const ares_addrinfo_node* node = result->nodes; node != nullptr; node = node->ai_next) {
        std::string text = AddressText(*node);
        // A name server that answers both queries alike would have each address tried twice.
        if (!text.empty() && std::ranges::find(outcome.Addresses, text) == outcome.Addresses.end())
            outcome.Addresses.push_back(std::move(text));
    }
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

// Runs the resolver's sockets until the lookup has answered or the deadline has passed.
void RunUntilAnswered(ares_channel channel, const Outcome& outcome, const Deadline& deadline) {
    while (!outcome.Done) {
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

} // namespace

std::vector<std::string> LookUpAddresses(const std::string& host, const Deadline& deadline,
                                         const NameLookupSettings& settings) {
    // Made before the channel, so it outlives it: destroying the channel on the way out ends a
    // lookup still under way, and its answer lands here.
    Outcome outcome;
    const Channel channel = OpenChannel(settings);
    ares_addrinfo_hints hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    ::ares_getaddrinfo(channel.get(), host.c_str(), nullptr, &hints, TakeAnswer, &outcome);
    RunUntilAnswered(channel.get(), outcome, deadline);
    if (outcome.Status != ARES_SUCCESS)
        throw LookupError(outcome.Status);
    if (outcome.Addresses.empty())
        throw LookupError(ARES_ENODATA);
    return outcome.Addresses;
}

} // namespace velnorix
