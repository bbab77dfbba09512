#pragma once

#include "probes/icmp_packet.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

// The bytes of an ICMPv6 echo exchange (RFC 4443). The sockets deliver ICMPv6 messages without
// their IPv6 header, so the sender and the hop limit come beside the message.
namespace velnorix {

inline constexpr std::size_t kIpv6HeaderSize = 40;

using Ipv6Bytes = std::array<std::uint8_t, 16>;

// The echo request as ICMPv6 sends it: type 128 and the checksum left for the kernel, which
// computes it over the pseudo-header it alone knows; the rest as in the IPv4 request.
EchoRequest ToIcmpv6Request(EchoRequest request);

// The request an answer has to belong to.
struct Echo6Question {
    Ipv6Bytes Target{};
    std::uint16_t Identifier = 0;
    std::uint16_t Sequence = 0;
    bool CheckIdentifier = true; // as in EchoQuestion
};

struct Icmpv6Answer {
    ReplyStatusKind Kind = ReplyStatusKind::Error;
    std::uint8_t Type = 0;
};

// Reads one ICMPv6 message from `source` as an answer to `question`: an echo reply (129) from
// the target with our identifier and sequence number, or an error that quotes our request to
// the target: destination unreachable (1) and packet too big (2) give Unreachable, time
// exceeded (3) TtlExceeded. Throws "Non-echo type response received" for a parameter problem
// (4) that quotes our request. Nothing for anything else, so the wait goes on.
std::optional<Icmpv6Answer> ReadIcmpv6Answer(std::span<const std::uint8_t> message,
                                             const Ipv6Bytes& source,
                                             const Echo6Question& question);

} // namespace velnorix
