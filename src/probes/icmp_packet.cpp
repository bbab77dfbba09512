#include "probes/icmp_packet.h"

#include "probes/probe_errors.h"

#include <algorithm>

namespace velnorix {

namespace {

constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kDestinationUnreachable = 3;
constexpr std::uint8_t kRedirect = 5;
constexpr std::uint8_t kEchoRequestType = 8;
constexpr std::uint8_t kTimeExceeded = 11;
constexpr std::uint8_t kParameterProblem = 12;
// Offsets inside an IPv4 header and an ICMP echo header.
constexpr std::size_t kTtlOffset = 8;
constexpr std::size_t kProtocolOffset = 9;
constexpr std::size_t kSourceOffset = 12;
constexpr std::size_t kDestinationOffset = 16;
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

// The length of the IPv4 header at `offset` when the bytes hold that whole header and the 8
// bytes of an ICMP header after it; nothing otherwise.
std::optional<std::size_t> HeaderLengthAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset >= bytes.size() || (bytes[offset] >> 4) != 4)
        return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(bytes[offset] & 0x0f) * 4;
    if (length < kMinIpHeaderSize || bytes.size() - offset < length + kIcmpHeaderSize)
        return std::nullopt;
    return length;
}

// Whether the echo header at `offset` (8 bytes there, checked by the caller) is our request's.
bool IsOurEcho(std::span<const std::uint8_t> bytes, std::size_t offset,
               const EchoQuestion& question) {
    return (!question.CheckIdentifier ||
            LoadLittleEndian16(bytes, offset + kIdentifierOffset) == question.Identifier) &&
           LoadLittleEndian16(bytes, offset + kSequenceOffset) == question.Sequence;
}

// Whether the datagram quoted at `offset` is our echo request to the target.
bool QuotesOurRequest(std::span<const std::uint8_t> bytes, std::size_t offset,
                      const EchoQuestion& question) {
    const std::optional<std::size_t> header = HeaderLengthAt(bytes, offset);
    if (!header || bytes[offset + kProtocolOffset] != kProtocolIcmp)
        return false;
    const auto destination = bytes.subspan(offset + kDestinationOffset, 4);
    return std::equal(destination.begin(), destination.end(), question.Target.begin()) &&
           bytes[offset + *header] == kEchoRequestType &&
           IsOurEcho(bytes, offset + *header, question);
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

std::optional<IcmpDatagram> ReadAnswer(std::span<const std::uint8_t> datagram,
                                       const EchoQuestion& question) {
    const std::optional<std::size_t> header = HeaderLengthAt(datagram, 0);
    if (!header)
        return std::nullopt;
    IcmpDatagram answer;
    answer.Type = datagram[*header];
    answer.Ttl = datagram[kTtlOffset];
    std::copy_n(datagram.begin() + kSourceOffset, 4, answer.Source.begin());
    switch (answer.Type) {
    case kEchoReply:
        if (answer.Source != question.Target || !IsOurEcho(datagram, *header, question))
            return std::nullopt;
        answer.Kind = ReplyStatusKind::Echo;
        return answer;
    case kDestinationUnreachable:
    case kTimeExceeded:
    case kRedirect:
    case kParameterProblem:
        // RFC 792: the error's 8-byte header is followed by the offending datagram's header
        // and its first 8 bytes.
        if (!QuotesOurRequest(datagram, *header + kIcmpHeaderSize, question))
            return std::nullopt;
        if (answer.Type == kRedirect || answer.Type == kParameterProblem)
            throw ProbeError(error_text::kNonEchoTypeResponse);
        answer.Kind = answer.Type == kDestinationUnreachable ? ReplyStatusKind::Unreachable
                                                             : ReplyStatusKind::TtlExceeded;
        return answer;
    default:
        // Our own request looped back, timestamp requests and the like answer nothing of ours.
        return std::nullopt;
    }
}

} // namespace velnorix
