#include "probes/icmp_packet.h"

#include "probes/probe_errors.h"

#include <algorithm>

namespace velnorix {

namespace {

constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kDestinationUnreachable = 3;
constexpr std::uint8_t kEchoRequestType = 8;
constexpr std::uint8_t kTimeExceeded = 11;
// Offsets inside an IPv4 header and an ICMP echo header.
constexpr std::size_t kTtlOffset = 8;
constexpr std::size_t kSourceOffset = 12;
constexpr std::size_t kIdentifierOffset = 4;
constexpr std::size_t kSequenceOffset = 6;
constexpr std::size_t kTickOffset = 8;
constexpr std::size_t kChecksumOffset = 2;

void StoreLittleEndian16(EchoRequest& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xff);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t LoadLittleEndian16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

} // namespace

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += static_cast<std::uint32_t>(bytes[i] | (bytes[i + 1] << 8));
    if (i < bytes.size())
        sum += bytes[i];
    while ((sum >> 16) != 0)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xffff);
}

EchoRequest BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence,
                             std::uint32_t tickCount, std::string_view data) {
    EchoRequest request{};
    request[0] = kEchoRequestType;
    StoreLittleEndian16(request, kIdentifierOffset, identifier);
    StoreLittleEndian16(request, kSequenceOffset, sequence);
    StoreLittleEndian16(request, kTickOffset, static_cast<std::uint16_t>(tickCount & 0xffff));
    StoreLittleEndian16(request, kTickOffset + 2, static_cast<std::uint16_t>(tickCount >> 16));
    const std::size_t copied = std::min(data.size(), kEchoRequestSize - kEchoPayloadOffset);
    std::copy_n(data.begin(), copied, request.begin() + kEchoPayloadOffset);
    std::fill(request.begin() + static_cast<std::ptrdiff_t>(kEchoPayloadOffset + copied),
              request.end(), kEchoPayloadFill);
    StoreLittleEndian16(request, kChecksumOffset, InternetChecksum(request));
    return request;
}

IcmpDatagram ClassifyIcmpDatagram(std::span<const std::uint8_t> datagram) {
    if (datagram.empty())
        throw ProbeError(error_text::kNotEnoughBytesReceived);
    const std::size_t headerLength = static_cast<std::size_t>(datagram[0] & 0x0f) * 4;
    // A header shorter than the minimum has no TTL or source to read.
    if (headerLength < kMinIpHeaderSize || datagram.size() < headerLength + kIcmpHeaderSize)
        throw ProbeError(error_text::kNotEnoughBytesReceived);

    IcmpDatagram result;
    result.Type = datagram[headerLength];
    result.Ttl = datagram[kTtlOffset];
    std::copy_n(datagram.begin() + kSourceOffset, 4, result.Source.begin());
    switch (result.Type) {
    case kEchoReply:
    case kEchoRequestType:
        result.Kind = ReplyStatusKind::Echo;
        result.Sequence = LoadLittleEndian16(datagram, headerLength + kSequenceOffset);
        return result;
    case kDestinationUnreachable:
    case kTimeExceeded: {
        result.Kind = result.Type == kDestinationUnreachable ? ReplyStatusKind::Unreachable
                                                             : ReplyStatusKind::TtlExceeded;
        // The quoted IP header is taken to be as long as the outer one (RFC 792 quotes the
        // header and the first 8 bytes of the datagram that caused the message).
        const std::size_t quoted = headerLength + kIcmpHeaderSize + headerLength;
        if (datagram.size() >= quoted + kSequenceOffset + 2)
            result.Sequence = LoadLittleEndian16(datagram, quoted + kSequenceOffset);
        return result;
    }
    default:
        throw ProbeError(error_text::kNonEchoTypeResponse);
    }
}

} // namespace velnorix
