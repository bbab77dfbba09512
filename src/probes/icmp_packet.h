#pragma once

#include "probes/probe_interfaces.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The bytes of an ICMP echo exchange (RFC 792): the request we send and the reading of
// whatever datagram comes back. Pure functions, so every case is testable without a network.
namespace velnorix {

inline constexpr std::size_t kEchoRequestSize = 52;
inline constexpr std::size_t kEchoPayloadOffset = 20;
inline constexpr std::size_t kIcmpHeaderSize = 8;
inline constexpr std::size_t kMinIpHeaderSize = 20;
inline constexpr std::uint8_t kEchoPayloadFill = 'E';

using EchoRequest = std::array<std::uint8_t, kEchoRequestSize>;

// RFC 1071: the one's complement of the one's complement sum of the 16-bit words, summed and
// returned in the order of bytes given (low byte first), which the algorithm allows.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// Type 8, code 0, checksum, then identifier, sequence and tick count least significant byte
// first, 8 zero bytes and 32 payload bytes: the data text, "E" after its end.
EchoRequest BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                             std::uint32_t tickCount, std::string_view data);

// What a received IPv4 datagram (IP header included) says about an echo exchange.
struct IcmpDatagram {
    ReplyStatusKind Kind = ReplyStatusKind::Error;
    std::uint8_t Type = 0;
    std::uint8_t Ttl = 0;
    std::array<std::uint8_t, 4> Source{};
    // The sequence number the datagram answers: the echo's own for type 0 and 8, the quoted
    // request's for types 3 and 11; nothing when the quote is cut too short to hold one.
    std::optional<std::uint16_t> Sequence;
};

// Reads a datagram of `size` bytes. Throws "Not enough bytes received" when it is shorter
// than its IP header plus 8 bytes (or the header length is not a valid one) and "Non-echo
// type response received" for any ICMP type but 0, 3, 8 and 11. Every read is bounds-checked.
IcmpDatagram ClassifyIcmpDatagram(std::span<const std::uint8_t> datagram);

} // namespace velnorix
