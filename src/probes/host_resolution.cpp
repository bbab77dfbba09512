#include "probes/host_resolution.h"

#include "probes/ascii_text.h"
#include "probes/probe_errors.h"

#include <cerrno>
#include <charconv>
#include <cstring>
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

std::string ResolveWithSystem(const std::string& host, const Deadline& deadline) {
    return LookUpAddresses(host, deadline).front();
}

HostResolver MakeResolver(NameLookupSettings settings) {
    return [settings = std::move(settings)](const std::string& host, const Deadline& deadline) {
        return LookUpAddresses(host, deadline, settings).front();
    };
}

std::string HostToAddress(std::string_view host, const HostResolver& resolver,
                          const Deadline& deadline) {
    if (EqualsIgnoringCase(host, "LOCALHOST"))
        return "127.0.0.1";
    if (ParseDottedAddress(host))
        return std::string(host);
    return resolver(std::string(host), deadline);
}

sockaddr_in PeerAddress(std::string_view host, std::int32_t port, const HostResolver& resolver,
                        const Deadline& deadline) {
    const auto bytes = ParseDottedAddress(HostToAddress(host, resolver, deadline));
    if (!bytes)
        throw SocketError(EDESTADDRREQ);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    std::memcpy(&peer.sin_addr, bytes->data(), bytes->size());
    return peer;
}

} // namespace velnorix
