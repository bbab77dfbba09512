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

constexpr std::uint16_t kOurs = 0x1234;
constexpr std::array<std::uint8_t, 4> kTarget = {192, 0, 2, 2};
constexpr std::array<std::uint8_t, 4> kRouter = {192, 0, 2, 1};

// An ICMP echo header with the identifier and sequence least significant byte first.
Bytes EchoHeader(std::uint8_t type, std::uint16_t sequence, std::uint16_t identifier = kOurs) {
    return {type,
            0,
            0,
            0,
            static_cast<std::uint8_t>(identifier & 0xff),
            static_cast<std::uint8_t>(identifier >> 8),
            static_cast<std::uint8_t>(sequence & 0xff),
            static_cast<std::uint8_t>(sequence >> 8)};
}

// The IP header of a request we sent to `destination`, as an error message quotes it.
Bytes QuotedHeader(std::array<std::uint8_t, 4> destination, std::uint8_t protocol = 1,
                   int words = 5) {
    Bytes header = IpHeader(128, {198, 51, 100, 1}, words);
    header[9] = protocol;
    std::copy(destination.begin(), destination.end(), header.begin() + 16);
    return header;
}

// An error message of `type` from a router that quotes `quoted` (an IP header and 8 bytes).
Bytes ErrorQuoting(std::uint8_t type, const Bytes& quoted) {
    return Concat({IpHeader(250, kRouter), Bytes{type, 1, 0, 0, 0, 0, 0, 0}, quoted});
}

Bytes ErrorQuotingOurs(std::uint8_t type, std::uint16_t sequence) {
    return ErrorQuoting(type, Concat({QuotedHeader(kTarget), EchoHeader(8, sequence)}));
}

TEST(EchoRequestTest, IsBuiltByteForByte) {
    const EchoRequest request = BuildEchoRequest(0x1234, 3489, 0x01020304, "");
    const Bytes head(request.begin(), request.begin() + 20);
    EXPECT_THAT(head, testing::ElementsAre(8, 0, request[2], request[3], 0x34, 0x12, 0xa1, 0x0d,
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

struct AnswerCase {
    std::string Name;
    Bytes Datagram;
    // Nothing: skipped; Error: the exchange ends with an error.
    std::optional<ReplyStatusKind> Expected;
    bool CheckIdentifier = true;
};

std::optional<ReplyStatusKind> KindOf(const AnswerCase& c) {
    EchoQuestion question{kTarget, kOurs, 3489, c.CheckIdentifier};
    try {
        const std::optional<IcmpDatagram> answer = ReadAnswer(c.Datagram, question);
        return answer ? std::optional(answer->Kind) : std::nullopt;
    } catch (const ProbeError& error) {
        EXPECT_STREQ(error.what(), "Non-echo type response received");
        return ReplyStatusKind::Error;
    }
}

class ReadAnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(ReadAnswerTest, OnlyOurAnswerCounts) {
    EXPECT_EQ(KindOf(GetParam()), GetParam().Expected);
}

Bytes WithoutLastByte(Bytes bytes) {
    bytes.pop_back();
    return bytes;
}

Bytes WithFirstByte(Bytes bytes, std::uint8_t first) {
    bytes[0] = first;
    return bytes;
}

const Bytes kOurReply = Concat({IpHeader(64, kTarget), EchoHeader(0, 3489)});
const Bytes kOurQuote = Concat({QuotedHeader(kTarget), EchoHeader(8, 3489)});
constexpr auto kSkipped = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    CraftedDatagrams, ReadAnswerTest,
    testing::Values(
        AnswerCase{"EchoReplyFromTheTarget", kOurReply, ReplyStatusKind::Echo},
        AnswerCase{"HeaderWithOptions",
                   Concat({IpHeader(64, kTarget, 6), EchoHeader(0, 3489), Bytes(32, 'E')}),
                   ReplyStatusKind::Echo},
        AnswerCase{"ReplyFromAnotherAddress", Concat({IpHeader(64, kRouter), EchoHeader(0, 3489)}),
                   kSkipped},
        AnswerCase{"ReplyWithAnotherIdentifier",
                   Concat({IpHeader(64, kTarget), EchoHeader(0, 3489, 0x4321)}), kSkipped},
        AnswerCase{"KernelIdentifierOnTheDatagramSocket",
                   Concat({IpHeader(64, kTarget), EchoHeader(0, 3489, 0x4321)}),
                   ReplyStatusKind::Echo, false},
        AnswerCase{"AnotherProgramsSequence", Concat({IpHeader(64, kTarget), EchoHeader(0, 3490)}),
                   kSkipped},
        AnswerCase{"OurOwnRequestLoopedBack", Concat({IpHeader(128, kTarget), EchoHeader(8, 3489)}),
                   kSkipped},
        AnswerCase{"TimestampRequest", Concat({IpHeader(64, kTarget), EchoHeader(13, 3489)}),
                   kSkipped},
        AnswerCase{"UnreachableQuotingOurRequest", ErrorQuoting(3, kOurQuote),
                   ReplyStatusKind::Unreachable},
        AnswerCase{"TimeExceededQuotingOurRequest", ErrorQuoting(11, kOurQuote),
                   ReplyStatusKind::TtlExceeded},
        AnswerCase{"QuoteWithOptions",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget, 1, 7), EchoHeader(8, 3489)})),
                   ReplyStatusKind::Unreachable},
        AnswerCase{"RedirectQuotingOurRequest", ErrorQuoting(5, kOurQuote), ReplyStatusKind::Error},
        AnswerCase{"ParameterProblemQuotingOurRequest", ErrorQuoting(12, kOurQuote),
                   ReplyStatusKind::Error},
        AnswerCase{"UnreachableForAnotherProgram",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget), EchoHeader(8, 3489, 0x4321)})),
                   kSkipped},
        AnswerCase{"UnreachableForAnotherSequence", ErrorQuotingOurs(3, 3488), kSkipped},
        AnswerCase{"UnreachableForAnotherHost",
                   ErrorQuoting(3, Concat({QuotedHeader(kRouter), EchoHeader(8, 3489)})), kSkipped},
        AnswerCase{"UnreachableForUdp",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget, 17), EchoHeader(8, 3489)})),
                   kSkipped},
        AnswerCase{"UnreachableQuotingAReply",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget), EchoHeader(0, 3489)})), kSkipped},
        AnswerCase{"RedirectForAnotherRequest", ErrorQuotingOurs(5, 7), kSkipped},
        AnswerCase{"QuoteCutShort", WithoutLastByte(ErrorQuoting(3, kOurQuote)), kSkipped},
        AnswerCase{"QuotedHeaderLongerThanTheQuote",
                   ErrorQuoting(3, WithFirstByte(kOurQuote, 0x4f)), kSkipped},
        AnswerCase{"UnreachableWithoutAQuote",
                   Concat({IpHeader(250, kRouter), Bytes{3, 1, 0, 0, 0, 0, 0, 0}}), kSkipped},
        AnswerCase{"Empty", Bytes{}, kSkipped},
        AnswerCase{"ReplyCutShort", WithoutLastByte(kOurReply), kSkipped},
        AnswerCase{"HeaderOfFewerThanFiveWords", Bytes{0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                   kSkipped},
        AnswerCase{"HeaderLongerThanTheDatagram",
                   Concat({Bytes{0x4f}, Bytes(19, 0), EchoHeader(0, 3489)}), kSkipped},
        AnswerCase{"NotIpVersion4", WithFirstByte(kOurReply, 0x65), kSkipped}),
    [](const testing::TestParamInfo<AnswerCase>& info) { return info.param.Name; });

TEST(ReadAnswerFieldsTest, ReportTheAnsweringDatagram) {
    const EchoQuestion question{{192, 0, 2, 77}, kOurs, 1};
    const std::optional<IcmpDatagram> reply =
        ReadAnswer(Concat({IpHeader(61, {192, 0, 2, 77}), EchoHeader(0, 1)}), question);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Type, 0);
    EXPECT_EQ(reply->Ttl, 61);
    EXPECT_THAT(reply->Source, testing::ElementsAre(192, 0, 2, 77));
}

} // namespace
} // namespace velnorix
