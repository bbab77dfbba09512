#pragma once

#include "base/deadline.h"

#include <string>
#include <vector>

namespace velnorix {

// Where names are looked up. The defaults are the system's: the name servers of
// /etc/resolv.conf, and /etc/hosts and DNS in the order the system configures.
struct NameLookupSettings {
    // Name servers as "address:port" separated by commas; empty for the system's.
    std::string Servers;
    // "f" for the hosts file, "b" for DNS, in the order to try them; empty for the system's.
    std::string Lookups;
};

// Every IPv4 address of `host` in the order the answer gives them, dotted, looked up before
// `deadline`. Throws a SocketError: ETIMEDOUT when the deadline passes first, otherwise the
// number and text getaddrinfo gives for the same failure, so a name that resolves to nothing
// fails as it always has.
std::vector<std::string> LookUpAddresses(const std::string& host, const Deadline& deadline,
                                         const NameLookupSettings& settings = {});

} // namespace velnorix
