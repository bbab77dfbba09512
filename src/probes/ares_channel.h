#pragma once

#include "base/deadline.h"

#include <ares.h>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>

// The c-ares plumbing every lookup shares: a channel made with the settings asked for, and a
// loop that drives its sockets until the query answers or the deadline passes.
namespace velnorix {

using AresChannel = std::unique_ptr<std::remove_pointer_t<ares_channel>, decltype(&::ares_destroy)>;

struct AresChannelSettings {
    // Name servers as "address:port" separated by commas; empty for the system's.
    std::string Servers;
    // "f" for the hosts file, "b" for DNS, in the order to try them; empty for the system's.
    std::string Lookups;
    // Wait for the first answer of one server and how often each is asked; zero keeps the
    // resolver's own (resolv.conf's, else 5 s and 4 tries).
    std::chrono::milliseconds TryTimeout{0};
    int Tries = 0;
    // ARES_FLAG_ values; 0 keeps the resolver's.
    int Flags = 0;
};

// A channel made as the settings ask, or none with the resolver's status in `status`, so each
// caller reports the failure in its own words. Throws std::runtime_error when the library
// cannot start.
AresChannel OpenAresChannel(const AresChannelSettings& settings, int& status);

// Runs the channel's sockets until `done` says the query has answered. Throws
// SocketError(ETIMEDOUT) when the deadline passes first, or a SocketError for poll().
void RunAresUntil(ares_channel channel, const std::function<bool()>& done,
                  const Deadline& deadline);

} // namespace velnorix
