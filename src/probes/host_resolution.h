#pragma once

#include "base/deadline.h"
#include "probes/name_lookup.h"

#include <array>
#include <cstdint>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <string_view>

namespace velnorix {

// Turns a host name into a dotted IPv4 address before the deadline, or throws SocketError
// when it cannot.
using HostResolver = std::function<std::string(const std::string& host, const Deadline& deadline)>;

// The system's resolver: the first IPv4 address the hosts file or the name servers give (see
// LookUpAddresses for its errors).
std::string ResolveWithSystem(const std::string& host, const Deadline& deadline);
// The same with other name servers or lookup order.
HostResolver MakeResolver(NameLookupSettings settings);

// The four bytes of a dotted address: four dot-separated whole numbers 0..255, split at the
// first three dots. Nothing when the text is not such an address.
std::optional<std::array<std::uint8_t, 4>> ParseDottedAddress(std::string_view text);

// A host text as a dotted IPv4 address: "LOCALHOST" in any letter case is 127.0.0.1 without a
// lookup, a dotted address is used unchanged, anything else goes to `resolver`, which must
// answer before `deadline`.
std::string HostToAddress(std::string_view host, const HostResolver& resolver,
                          const Deadline& deadline);

// The IPv4 socket address of a host text, read as HostToAddress reads it, and a port. Throws
// SocketError(EDESTADDRREQ) when the resolver's answer is not a dotted address.
sockaddr_in PeerAddress(std::string_view host, std::int32_t port, const HostResolver& resolver,
                        const Deadline& deadline);

} // namespace velnorix
