#include "probes/icmpv6_packet.h"
#include "probes/probe_errors.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace velnorix {
namespace {

constexpr Ipv6Bytes kTarget = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x10};
constexpr Ipv6Bytes kRouter = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01};
constexpr std::uint16_t kIdentifier = 0x1234;
constexpr std::uint16_t kSequence = 3489;

// An echo header: type, code, checksum, identifier and sequence least significant byte first.
std::vector<std::uint8_t> Echo(std::uint8_t type, std::uint16_t sequence,
                               std::uint16_t identifier = kIdentifier) {
    return {type,
            0,
            0,
            0,
            static_cast<std::uint8_t>(identifier & 0xff),
            static_cast<std::uint8_t>(identifier >> 8),
            static_cast<std::uint8_t>(sequence & 0xff),
            static_cast<std::uint8_t>(sequence >> 8)};
}

// An error message of `type` quoting an IPv6 packet to `destination` with `nextHeader`, whose
// payload begins with `quotedEcho`.
std::vector<std::uint8_t> ErrorQuoting(std::uint8_t type,
                                       const std::vector<std::uint8_t>& quotedEcho,
                                       const Ipv6Bytes& destination = kTarget,
                                       std::uint8_t nextHeader = 58) {
    std::vector<std::uint8_t> message = {type, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> header(kIpv6HeaderSize, 0);
    header[0] = 0x60;
    header[6] = nextHeader;
    header[7] = 64;
    std::copy(destination.begin(), destination.end(), header.begin() + 24);
    message.insert(message.end(), header.begin(), header.end());
    message.insert(message.end(), quotedEcho.begin(), quotedEcho.end());
    return message;
}

struct AnswerCase {
    std::string Name;
    std::vector<std::uint8_t> Message;
    Ipv6Bytes Source;
    std::string Outcome; // "echo", "unreachable", "ttl exceeded", "none", or the error's text
};

std::string OutcomeOf(const AnswerCase& c) {
    Echo6Question question;
    question.Target = kTarget;
    question.Identifier = kIdentifier;
    question.Sequence = kSequence;
    try {
        const std::optional<Icmpv6Answer> answer = ReadIcmpv6Answer(c.Message, c.Source, question);
        if (!answer)
            return "none";
        return answer->Kind == ReplyStatusKind::Echo          ? "echo"
               : answer->Kind == ReplyStatusKind::Unreachable ? "unreachable"
               : answer->Kind == ReplyStatusKind::TtlExceeded ? "ttl exceeded"
                                                              : "other";
    } catch (const ProbeError& error) {
        return error.what();
    }
}

class Icmpv6AnswerTest : public testing::TestWithParam<AnswerCase> {};

TEST_P(Icmpv6AnswerTest, OnlyOurOwnAnswerEndsTheWait) {
    EXPECT_EQ(OutcomeOf(GetParam()), GetParam().Outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, Icmpv6AnswerTest,
    testing::Values(
        AnswerCase{"OurEchoReply", Echo(129, kSequence), kTarget, "echo"},
        AnswerCase{"ReplyFromAnotherHost", Echo(129, kSequence), kRouter, "none"},
        AnswerCase{"ReplyToAnotherSequence", Echo(129, kSequence + 1), kTarget, "none"},
        AnswerCase{"OurOwnRequestLoopedBack", Echo(128, kSequence), kTarget, "none"},
        AnswerCase{"Truncated", {129, 0, 0, 0, 0x34, 0x12}, kTarget, "none"},
        AnswerCase{"Unreachable", ErrorQuoting(1, Echo(128, kSequence)), kRouter, "unreachable"},
        AnswerCase{"PacketTooBig", ErrorQuoting(2, Echo(128, kSequence)), kRouter, "unreachable"},
        AnswerCase{"TimeExceeded", ErrorQuoting(3, Echo(128, kSequence)), kRouter, "ttl exceeded"},
        AnswerCase{"ParameterProblem", ErrorQuoting(4, Echo(128, kSequence)), kRouter,
                   "Non-echo type response received"},
        AnswerCase{"UnreachableForAnotherRequest", ErrorQuoting(1, Echo(128, kSequence - 1)),
                   kRouter, "none"},
        AnswerCase{"UnreachableForAnotherTarget", ErrorQuoting(1, Echo(128, kSequence), kRouter),
                   kRouter, "none"},
        AnswerCase{"UnreachableForAnotherProtocol",
                   ErrorQuoting(1, Echo(128, kSequence), kTarget, 17), kRouter, "none"},
        AnswerCase{"ReplyToAnotherProgram", Echo(129, kSequence, 0x4321), kTarget, "none"},
        AnswerCase{"UnreachableQuotingTooLittle", ErrorQuoting(1, {128, 0, 0, 0, 0x34, 0x12}),
                   kRouter, "none"},
        AnswerCase{"NeighbourSolicitation", {135, 0, 0, 0, 0, 0, 0, 0}, kRouter, "none"}),
    [](const auto& info) { return info.param.Name; });

} // namespace
} // namespace velnorix
