#pragma once

#include "base/deadline.h"
#include "probes/name_lookup.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <vector>

namespace velnorix {

// Turns a host name into its addresses (dotted IPv4 or IPv6 text), in the order to try them,
// before the deadline, or throws SocketError when it cannot.
using HostResolver =
    std::function<std::vector<std::string>(const std::string& host, const Deadline& deadline)>;

// The system's resolver: every address the hosts file or the name servers give (see
// LookUpAddresses for its order and errors).
std::vector<std::string> ResolveWithSystem(const std::string& host, const Deadline& deadline);
// The same with other name servers or lookup order.
HostResolver MakeResolver(NameLookupSettings settings);

// The four bytes of a dotted address: four dot-separated whole numbers 0..255, split at the
// first three dots. Nothing when the text is not such an address.
std::optional<std::array<std::uint8_t, 4>> ParseDottedAddress(std::string_view text);

// AF_INET6 for a host text written as an IPv6 literal, AF_INET for anything else.
int LiteralFamily(std::string_view host);

// The host as a certificate names it: an IPv6 literal without its brackets and zone, anything
// else as it is.
std::string CertificateName(std::string_view host);

// The host's addresses in the order to try them: "LOCALHOST" in any letter case is 127.0.0.1
// and a dotted address is itself, without a lookup; an IPv6 literal ("::1", "[::1]",
// "fe80::1%eth0") is itself without its brackets, or a ProbeError naming it when it is
// malformed; anything else goes to `resolver`, which must answer before `deadline`.
std::vector<std::string> HostToAddresses(std::string_view host, const HostResolver& resolver,
                                         const Deadline& deadline);

// A socket address of either family.
struct PeerAddress {
    sockaddr_storage Storage{};
    socklen_t Length = 0;
    [[nodiscard]] int Family() const { return Storage.ss_family; }
    [[nodiscard]] const sockaddr* Get() const {
        return reinterpret_cast<const sockaddr*>(&Storage);
    }
};

// An address text from HostToAddresses as a socket address with `port`. A zone goes to the
// system as written, so one it does not accept is its error, not dropped. Throws
// SocketError(EDESTADDRREQ) when the text is no address at all.
PeerAddress ToPeerAddress(const std::string& address, std::int32_t port);

// Every socket address of a host text, read as HostToAddresses reads it, with `port`; at least
// one, or SocketError(EDESTADDRREQ).
std::vector<PeerAddress> PeerAddresses(std::string_view host, std::int32_t port,
                                       const HostResolver& resolver, const Deadline& deadline);

} // namespace velnorix
