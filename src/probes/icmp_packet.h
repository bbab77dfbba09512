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
inline constexpr std::uint8_t kProtocolIcmp = 1; // the IPv4 protocol number

using EchoRequest = std::array<std::uint8_t, kEchoRequestSize>;

// RFC 1071: the one's complement of the one's complement sum of the 16-bit words, summed and
// returned in the order of bytes given (low byte first), which the algorithm allows.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// Type 8, code 0, checksum, then identifier, sequence and tick count least significant byte
// first, 8 zero bytes and 32 payload bytes: the data text, "E" after its end.
EchoRequest BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                             std::uint32_t tickCount, std::string_view data);

// The request an answer has to belong to.
struct EchoQuestion {
    std::array<std::uint8_t, 4> Target{};
    std::uint16_t Identifier = 0;
    std::uint16_t Sequence = 0;
    // False where the kernel put its own identifier into the request and delivers only the
    // replies that carry it (Linux's ICMP datagram socket).
    bool CheckIdentifier = true;
};

// The answer a received IPv4 datagram (IP header included) gives to our request.
struct IcmpDatagram {
    ReplyStatusKind Kind = ReplyStatusKind::Error;
    std::uint8_t Type = 0;
    std::uint8_t Ttl = 0;
    std::array<std::uint8_t, 4> Source{};
};

// Reads one datagram as an answer to `question`: an echo reply from the target carrying our
// identifier and sequence number, or a destination-unreachable or time-exceeded message that
// quotes our request (echo request, our identifier and sequence number, sent to the target).
// Nothing when the datagram answers anything else or is too short to tell, so the wait goes
// on. Throws "Non-echo type response received" for a redirect or parameter problem that quotes
// our request. Every read is bounds-checked.
std::optional<IcmpDatagram> ReadAnswer(std::span<const std::uint8_t> datagram,
                                       const EchoQuestion& question);

} // namespace velnorix
