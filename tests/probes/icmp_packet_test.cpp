#include "probes/icmp_packet.h"
#include "probes/probe_errors.h"

#include <array>
#include <cstdint>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes IpHeader(std::uint8_t ttl, std::array<std::uint8_t, 4> source, int words = 5) {
    Bytes header(static_cast<std::size_t>(words) * 4, 0);
    header[0] = static_cast<std::uint8_t>(0x40 | words);
    header[8] = ttl;
    header[9] = 1;
    std::copy(source.begin(), source.end(), header.begin() + 12);
    return header;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// An ICMP echo header with the identifier and sequence least significant byte first.
Bytes EchoHeader(std::uint8_t type, std::uint16_t sequence) {
    return {type,
            0,
            0,
            0,
            0x34,
            0x12,
            static_cast<std::uint8_t>(sequence & 0xff),
            static_cast<std::uint8_t>(sequence >> 8)};
}

// An error message of `type` that quotes the first 8 bytes of our request.
Bytes ErrorQuoting(std::uint8_t type, std::uint16_t sequence) {
    return Concat({IpHeader(250, {192, 0, 2, 1}), Bytes{type, 1, 0, 0, 0, 0, 0, 0},
                   IpHeader(128, {192, 0, 2, 2}), EchoHeader(8, sequence)});
}

TEST(EchoRequestTest, IsBuiltByteForByte) {
    const EchoRequest request = BuildEchoRequest(0x1234, 3489, 0x01020304, "");
    const Bytes head(request.begin(), request.begin() + 20);
    EXPECT_THAT(head, ::testing::ElementsAre(8, 0, request[2], request[3], 0x34, 0x12, 0xa1, 0x0d,
                                             0x04, 0x03, 0x02, 0x01, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_EQ(std::string(request.begin() + 20, request.end()), std::string(32, 'E'));
    // A receiver summing the words in network order finds a valid checksum.
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < request.size(); i += 2)
        sum += static_cast<std::uint32_t>((request[i] << 8) | request[i + 1]);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    EXPECT_EQ(sum, 0xffffu);
    EXPECT_EQ(InternetChecksum(request), 0);
}

TEST(EchoRequestTest, CarriesTheDataTextThenLettersE) {
    const EchoRequest shortText = BuildEchoRequest(1, 2, 3, "abc");
    EXPECT_EQ(std::string(shortText.begin() + 20, shortText.end()), "abc" + std::string(29, 'E'));
    const std::string longText(40, 'z');
    const EchoRequest cut = BuildEchoRequest(1, 2, 3, longText);
    EXPECT_EQ(std::string(cut.begin() + 20, cut.end()), std::string(32, 'z'));
    EXPECT_EQ(InternetChecksum(cut), 0);
}

TEST(InternetChecksumTest, MatchesTheWorkedExampleOfRfc1071) {
    // RFC 1071 section 3: the sum of these words in network order is ddf2; summed low byte
    // first the same checksum comes out with its bytes swapped.
    const Bytes words = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(InternetChecksum(words), 0x0d22);
    EXPECT_EQ(InternetChecksum(Bytes{0xff}), 0xff00);
    EXPECT_EQ(InternetChecksum(Bytes{}), 0xffff);
}

struct ClassifyCase {
    std::string Name;
    Bytes Datagram;
    ReplyStatusKind Kind;
    std::optional<std::uint16_t> Sequence;
};

TEST(ClassifyIcmpDatagramTest, ReadsKindAndSequence) {
    const std::vector<ClassifyCase> cases = {
        {"echo reply", Concat({IpHeader(64, {127, 0, 0, 1}), EchoHeader(0, 3489)}),
         ReplyStatusKind::Echo, 3489},
        {"our own request", Concat({IpHeader(128, {127, 0, 0, 1}), EchoHeader(8, 3489)}),
         ReplyStatusKind::Echo, 3489},
        {"another program's reply", Concat({IpHeader(64, {127, 0, 0, 1}), EchoHeader(0, 7)}),
         ReplyStatusKind::Echo, 7},
        {"header with options",
         Concat({IpHeader(64, {127, 0, 0, 1}, 6), EchoHeader(0, 0xbeef), Bytes(32, 'E')}),
         ReplyStatusKind::Echo, 0xbeef},
        {"unreachable quoting our request", ErrorQuoting(3, 3490), ReplyStatusKind::Unreachable,
         3490},
        {"time exceeded quoting our request", ErrorQuoting(11, 65535), ReplyStatusKind::TtlExceeded,
         65535},
        {"unreachable with its quote cut short",
         Concat({IpHeader(250, {192, 0, 2, 1}), Bytes{3, 1, 0, 0, 0, 0, 0, 0}, Bytes(25, 0)}),
         ReplyStatusKind::Unreachable, std::nullopt},
        {"unreachable without a quote",
         Concat({IpHeader(250, {192, 0, 2, 1}), Bytes{3, 1, 0, 0, 0, 0, 0, 0}}),
         ReplyStatusKind::Unreachable, std::nullopt},
    };
    for (const ClassifyCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const IcmpDatagram datagram = ClassifyIcmpDatagram(c.Datagram);
        EXPECT_EQ(datagram.Kind, c.Kind);
        EXPECT_EQ(datagram.Sequence, c.Sequence);
        EXPECT_EQ(datagram.Type, c.Datagram[(c.Datagram[0] & 0x0f) * 4]);
    }
    const IcmpDatagram reply =
        ClassifyIcmpDatagram(Concat({IpHeader(61, {192, 0, 2, 77}), EchoHeader(0, 1)}));
    EXPECT_EQ(reply.Ttl, 61);
    EXPECT_THAT(reply.Source, ::testing::ElementsAre(192, 0, 2, 77));
}

TEST(ClassifyIcmpDatagramTest, RefusesShortDatagramsAndOtherTypes) {
    const Bytes echo = Concat({IpHeader(64, {127, 0, 0, 1}), EchoHeader(0, 3489)});
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {Bytes{}, "Not enough bytes received"},
        {Bytes(echo.begin(), echo.end() - 1), "Not enough bytes received"},
        {Bytes(echo.begin(), echo.begin() + 20), "Not enough bytes received"},
        // A header length of fewer than five words is not a header to read.
        {Bytes{0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "Not enough bytes received"},
        // A header that claims more words than the datagram holds.
        {Concat({Bytes{0x4f}, Bytes(19, 0), EchoHeader(0, 1)}), "Not enough bytes received"},
        {Concat({IpHeader(64, {192, 0, 2, 1}), EchoHeader(5, 3489)}),
         "Non-echo type response received"},
        {Concat({IpHeader(64, {192, 0, 2, 1}), EchoHeader(13, 3489)}),
         "Non-echo type response received"},
    };
    for (const auto& [datagram, error] : cases) {
        SCOPED_TRACE(datagram.size());
        try {
            ClassifyIcmpDatagram(datagram);
            ADD_FAILURE() << "classified";
        } catch (const ProbeError& e) {
            EXPECT_EQ(e.what(), error);
        }
    }
}

} // namespace
} // namespace velnorix
