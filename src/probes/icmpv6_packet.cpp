#include "probes/icmpv6_packet.h"

#include "probes/probe_errors.h"

#include <algorithm>

namespace velnorix {

namespace {

constexpr std::uint8_t kDestinationUnreachable = 1;
constexpr std::uint8_t kPacketTooBig = 2;
constexpr std::uint8_t kTimeExceeded = 3;
constexpr std::uint8_t kParameterProblem = 4;
constexpr std::uint8_t kEchoRequest6 = 128;
constexpr std::uint8_t kEchoReply6 = 129;
constexpr std::uint8_t kNextHeaderIcmpv6 = 58;
// Offsets inside an IPv6 header and an echo header.
constexpr std::size_t kNextHeaderOffset = 6;
constexpr std::size_t kDestinationOffset = 24;
constexpr std::size_t kIdentifierOffset = 4;
constexpr std::size_t kSequenceOffset = 6;

std::uint16_t LoadLittleEndian16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// Whether the echo header at `offset` carries our identifier and sequence number; the caller
// has checked that its 8 bytes are there.
bool IsOurEcho(std::span<const std::uint8_t> bytes, std::size_t offset,
               const Echo6Question& question) {
    return (!question.CheckIdentifier ||
            LoadLittleEndian16(bytes, offset + kIdentifierOffset) == question.Identifier) &&
           LoadLittleEndian16(bytes, offset + kSequenceOffset) == question.Sequence;
}

// Whether an error message quotes our request: after its 8-byte header, an IPv6 header to the
// target whose next header is ICMPv6 (we send no extension headers), then our echo request.
bool QuotesOurRequest(std::span<const std::uint8_t> message, const Echo6Question& question) {
    constexpr std::size_t quoted = kIcmpHeaderSize;
    constexpr std::size_t echo = quoted + kIpv6HeaderSize;
    if (message.size() < echo + kIcmpHeaderSize ||
        message[quoted + kNextHeaderOffset] != kNextHeaderIcmpv6)
        return false;
    const auto destination = message.subspan(quoted + kDestinationOffset, question.Target.size());
    return std::ranges::equal(destination, question.Target) && message[echo] == kEchoRequest6 &&
           IsOurEcho(message, echo, question);
}

} // namespace

EchoRequest ToIcmpv6Request(EchoRequest request) {
    request[0] = kEchoRequest6;
    request[2] = 0;
    request[3] = 0;
    return request;
}

std::optional<Icmpv6Answer> ReadIcmpv6Answer(std::span<const std::uint8_t> message,
                                             const Ipv6Bytes& source,
                                             const Echo6Question& question) {
    if (message.size() < kIcmpHeaderSize)
        return std::nullopt;
    Icmpv6Answer answer;
    answer.Type = message[0];
    switch (answer.Type) {
    case kEchoReply6:
        if (source != question.Target || !IsOurEcho(message, 0, question))
            return std::nullopt;
        answer.Kind = ReplyStatusKind::Echo;
        return answer;
    case kDestinationUnreachable:
    case kPacketTooBig:
    case kTimeExceeded:
    case kParameterProblem:
        if (!QuotesOurRequest(message, question))
            return std::nullopt;
        if (answer.Type == kParameterProblem)
            throw ProbeError(error_text::kNonEchoTypeResponse);
        answer.Kind = answer.Type == kTimeExceeded ? ReplyStatusKind::TtlExceeded
                                                   : ReplyStatusKind::Unreachable;
        return answer;
    default:
        // Our own request looped back, neighbour discovery and the like.
        return std::nullopt;
    }
}

} // namespace velnorix
