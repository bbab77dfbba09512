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

// What reading a datagram should come to.
enum class Verdict { Skipped, Echo, Unreachable, TtlExceeded, Refused };

struct AnswerCase {
    std::string Name;
    Bytes Datagram;
    Verdict Expected;
    bool CheckIdentifier = true;
};

Verdict VerdictOf(const AnswerCase& c) {
    EchoQuestion question;
    question.Target = kTarget;
    question.Identifier = kOurs;
    question.Sequence = 3489;
    question.CheckIdentifier = c.CheckIdentifier;
    try {
        const std::optional<IcmpDatagram> answer = ReadAnswer(c.Datagram, question);
        if (!answer)
            return Verdict::Skipped;
        EXPECT_EQ(answer->Type, c.Datagram[(c.Datagram[0] & 0x0f) * 4]);
        switch (answer->Kind) {
        case ReplyStatusKind::Echo:
            return Verdict::Echo;
        case ReplyStatusKind::Unreachable:
            return Verdict::Unreachable;
        case ReplyStatusKind::TtlExceeded:
            return Verdict::TtlExceeded;
        default:
            ADD_FAILURE() << "an answer of kind " << static_cast<int>(answer->Kind);
            return Verdict::Skipped;
        }
    } catch (const ProbeError& error) {
        EXPECT_STREQ(error.what(), "Non-echo type response received");
        return Verdict::Refused;
    }
}

class ReadAnswerTest : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(ReadAnswerTest, OnlyOurAnswerCounts) {
    EXPECT_EQ(VerdictOf(GetParam()), GetParam().Expected);
}

Bytes WithoutLastByte(Bytes bytes) {
    bytes.pop_back();
    return bytes;
}

const Bytes kOurReply = Concat({IpHeader(64, kTarget), EchoHeader(0, 3489)});
const Bytes kOurQuote = Concat({QuotedHeader(kTarget), EchoHeader(8, 3489)});

INSTANTIATE_TEST_SUITE_P(
    CraftedDatagrams, ReadAnswerTest,
    ::testing::Values(
        AnswerCase{"EchoReplyFromTheTarget", kOurReply, Verdict::Echo},
        AnswerCase{"HeaderWithOptions",
                   Concat({IpHeader(64, kTarget, 6), EchoHeader(0, 3489), Bytes(32, 'E')}),
                   Verdict::Echo},
        AnswerCase{"ReplyFromAnotherAddress", Concat({IpHeader(64, kRouter), EchoHeader(0, 3489)}),
                   Verdict::Skipped},
        AnswerCase{"ReplyWithAnotherIdentifier",
                   Concat({IpHeader(64, kTarget), EchoHeader(0, 3489, 0x4321)}), Verdict::Skipped},
        AnswerCase{"KernelIdentifierOnTheDatagramSocket",
                   Concat({IpHeader(64, kTarget), EchoHeader(0, 3489, 0x4321)}), Verdict::Echo,
                   false},
        AnswerCase{"AnotherProgramsSequence", Concat({IpHeader(64, kTarget), EchoHeader(0, 3490)}),
                   Verdict::Skipped},
        AnswerCase{"OurOwnRequestLoopedBack", Concat({IpHeader(128, kTarget), EchoHeader(8, 3489)}),
                   Verdict::Skipped},
        AnswerCase{"TimestampRequest", Concat({IpHeader(64, kTarget), EchoHeader(13, 3489)}),
                   Verdict::Skipped},
        AnswerCase{"UnreachableQuotingOurRequest", ErrorQuoting(3, kOurQuote),
                   Verdict::Unreachable},
        AnswerCase{"TimeExceededQuotingOurRequest", ErrorQuoting(11, kOurQuote),
                   Verdict::TtlExceeded},
        AnswerCase{"QuoteWithOptions",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget, 1, 7), EchoHeader(8, 3489)})),
                   Verdict::Unreachable},
        AnswerCase{"RedirectQuotingOurRequest", ErrorQuoting(5, kOurQuote), Verdict::Refused},
        AnswerCase{"ParameterProblemQuotingOurRequest", ErrorQuoting(12, kOurQuote),
                   Verdict::Refused},
        AnswerCase{"UnreachableForAnotherProgram",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget), EchoHeader(8, 3489, 0x4321)})),
                   Verdict::Skipped},
        AnswerCase{"UnreachableForAnotherSequence", ErrorQuotingOurs(3, 3488), Verdict::Skipped},
        AnswerCase{"UnreachableForAnotherHost",
                   ErrorQuoting(3, Concat({QuotedHeader(kRouter), EchoHeader(8, 3489)})),
                   Verdict::Skipped},
        AnswerCase{"UnreachableForUdp",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget, 17), EchoHeader(8, 3489)})),
                   Verdict::Skipped},
        AnswerCase{"UnreachableQuotingAReply",
                   ErrorQuoting(3, Concat({QuotedHeader(kTarget), EchoHeader(0, 3489)})),
                   Verdict::Skipped},
        AnswerCase{"RedirectForAnotherRequest", ErrorQuotingOurs(5, 7), Verdict::Skipped},
        AnswerCase{"QuoteCutShort",
WithoutLastByte(ErrorQuoting(3, kOurQuote)), Verdict::Skipped},
        AnswerCase{"QuotedHeaderLongerThanTheQuote",
                   [] {
                       Bytes quote = kOurQuote;
                       quote[0] = 0x4f;
                       return ErrorQuoting(3, quote);
                   }(),
                   Verdict::Skipped},
        AnswerCase{"UnreachableWithoutAQuote",
                   Concat({IpHeader(250, kRouter), Bytes{3, 1, 0, 0, 0, 0, 0, 0}}),
                   Verdict::Skipped},
        AnswerCase{"Empty", Bytes{}, Verdict::Skipped},
        AnswerCase{"ReplyCutShort", WithoutLastByte(kOurReply),
                   Verdict::Skipped},
        AnswerCase{"HeaderAlone", Bytes(kOurReply.begin(), kOurReply.begin() + 20),
                   Verdict::Skipped},
        AnswerCase{"HeaderOfFewerThanFiveWords", Bytes{0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                   Verdict::Skipped},
        AnswerCase{"HeaderLongerThanTheDatagram",
                   Concat({Bytes{0x4f}, Bytes(19, 0), EchoHeader(0, 3489)}), Verdict::Skipped},
        AnswerCase{"NotIpVersion4",
                   [] {
                       Bytes reply = kOurReply;
                       reply[0] = 0x65;
                       return reply;
                   }(),
                   Verdict::Skipped}),
    [](const ::testing::TestParamInfo<AnswerCase>& info) { return info.param.Name; });

TEST(ReadAnswerFieldsTest, ReportTheAnsweringDatagram) {
    EchoQuestion question;
    question.Target = {192, 0, 2, 77};
    question.Identifier = kOurs;
    question.Sequence = 1;
    const std::optional<IcmpDatagram> reply =
        ReadAnswer(Concat({IpHeader(61, {192, 0, 2, 77}), EchoHeader(0, 1)}), question);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Ttl, 61);
    EXPECT_THAT(reply->Source, ::testing::ElementsAre(192, 0, 2, 77));
}

} // namespace
} // namespace velnorix
