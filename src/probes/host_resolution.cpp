#include "probes/host_resolution.h"

#include "base/ascii_case.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>

namespace velnorix {

namespace {

std::optional<std::uint8_t> ParseAddressPart(std::string_view part) {
    if (part.empty() || part.front() < '0' || part.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (error != std::errc() || end != part.data() + part.size() || value > 255)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

// Whether the host text is meant as an IPv6 literal: a name never holds ":", "[" or "]".
bool LooksLikeIpv6Literal(std::string_view host) {
    return host.find_first_of(":[]") != std::string_view::npos;
}

// "[x]" as "x"; anything else as it is.
std::string_view WithoutBrackets(std::string_view host) {
    if (host.size() >= 2 && host.starts_with('[') && host.ends_with(']'))
        return host.substr(1, host.size() - 2);
    return host;
}

// The address of an IPv6 literal: brackets taken off, the zone kept. Throws when the text is
// not one, so a typing mistake fails before anything is sent instead of reaching a name server.
std::string Ipv6Literal(std::string_view host) {
    std::string inner(WithoutBrackets(host));
    const std::size_t percent = inner.find('%');
    // In brackets, as a URL writes it (RFC 6874), the zone's "%" is itself encoded as "%25".
    if (inner.size() != host.size() && percent != std::string::npos &&
        inner.compare(percent, 3, "%25") == 0)
        inner.erase(percent + 1, 2);
    const std::string address(inner.substr(0, percent));
    in6_addr bytes{};
    const bool zoneEmpty = percent != std::string::npos && percent + 1 == inner.size();
    if (::inet_pton(AF_INET6, address.c_str(), &bytes) != 1 || zoneEmpty)
        throw ProbeError("\"" + std::string(host) + "\" is not a valid IPv6 address.");
    return inner;
}

} // namespace

std::optional<std::array<std::uint8_t, 4>> ParseDottedAddress(std::string_view text) {
    std::array<std::uint8_t, 4> bytes{};
    for (std::size_t i = 0; i < 4; ++i) {
        // The fourth part is the rest of the text, dots and all.
        const std::size_t dot = i < 3 ? text.find('.') : std::string_view::npos;
        if (i < 3 && dot == std::string_view::npos)
            return std::nullopt;
        const auto part = ParseAddressPart(text.substr(0, dot));
        if (!part)
            return std::nullopt;
        bytes[i] = *part;
        text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    }
    return bytes;
}

std::vector<std::string> ResolveWithSystem(const std::string& host, const Deadline& deadline) {
    return LookUpAddresses(host, deadline);
}

HostResolver MakeResolver(NameLookupSettings settings) {
    return [settings = std::move(settings)](const std::string& host, const Deadline& deadline) {
        return LookUpAddresses(host, deadline, settings);
    };
}

int LiteralFamily(std::string_view host) {
    return LooksLikeIpv6Literal(host) ? AF_INET6 : AF_INET;
}

std::string CertificateName(std::string_view host) {
    if (!LooksLikeIpv6Literal(host))
        return std::string(host);
    std::string_view inner = WithoutBrackets(host);
    return std::string(inner.substr(0, inner.find('%')));
}

std::vector<std::string> HostToAddresses(std::string_view host, const HostResolver& resolver,
                                         const Deadline& deadline) {
    if (EqualsIgnoringCase(host, "LOCALHOST"))
        return {"127.0.0.1"};
    if (ParseDottedAddress(host))
        return {std::string(host)};
    if (LooksLikeIpv6Literal(host))
        return {Ipv6Literal(host)};
    return resolver(std::string(host), deadline);
}

PeerAddress ToPeerAddress(const std::string& address, std::int32_t port) {
    PeerAddress peer;
    if (const auto bytes = ParseDottedAddress(address)) {
        sockaddr_in ipv4{};
        ipv4.sin_family = AF_INET;
        ipv4.sin_port = htons(static_cast<std::uint16_t>(port));
        std::memcpy(&ipv4.sin_addr, bytes->data(), bytes->size());
        std::memcpy(&peer.Storage, &ipv4, sizeof ipv4);
        peer.Length = sizeof ipv4;
        return peer;
    }
    sockaddr_in6 ipv6{};
    ipv6.sin6_family = AF_INET6;
    ipv6.sin6_port = htons(static_cast<std::uint16_t>(port));
    peer.Length = sizeof ipv6;
    if (address.find('%') == std::string::npos) {
        if (::inet_pton(AF_INET6, address.c_str(), &ipv6.sin6_addr) != 1)
            throw SocketError(EDESTADDRREQ);
        std::memcpy(&peer.Storage, &ipv6, sizeof ipv6);
        return peer;
    }
    // Numeric only, so nothing is looked up; the system reads the zone (a name or an index).
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (const int status = ::getaddrinfo(address.c_str(), nullptr, &hints, &found); status != 0)
        throw SocketError(status, ::gai_strerror(status));
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(found, ::freeaddrinfo);
    std::memcpy(&ipv6, found->ai_addr, std::min<std::size_t>(found->ai_addrlen, sizeof ipv6));
    ipv6.sin6_port = htons(static_cast<std::uint16_t>(port));
    std::memcpy(&peer.Storage, &ipv6, sizeof ipv6);
    return peer;
}

std::vector<PeerAddress> PeerAddresses(std::string_view host, std::int32_t port,
                                       const HostResolver& resolver, const Deadline& deadline) {
    const std::vector<std::string> addresses = HostToAddresses(host, resolver, deadline);
    if (addresses.empty())
        throw SocketError(EDESTADDRREQ);
    std::vector<PeerAddress> peers;
    peers.reserve(addresses.size());
    for (const std::string& address : addresses)
        peers.push_back(ToPeerAddress(address, port));
    return peers;
}

} // namespace velnorix
