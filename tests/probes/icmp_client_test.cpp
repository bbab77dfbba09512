#include "kit/fake_host.h"
#include "probes/icmp_client.h"
#include "probes/probe_errors.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// The ICMP client on this machine's own loopback address.
namespace velnorix {
namespace {

// Runs one exchange; skips the test when this machine allows neither kind of ICMP socket.
#define EXCHANGE_OR_SKIP(client, data, sequence)                                                   \
    do {                                                                                           \
        try {                                                                                      \
            (client).EchoExchange(data, sequence);                                                 \
        } catch (const ProbeError& error) {                                                        \
            if (std::string(error.what()) == "Cannot allocate socket.")                            \
                GTEST_SKIP() << "neither a raw nor a datagram ICMP socket can be opened here";     \
            throw;                                                                                 \
        }                                                                                          \
    } while (false)

TEST(IcmpClientTest, PingsTheLoopbackAddressForReal) {
    kit::FakeClock clock;
    clock.SetTick(0xffffffcb); // wraps between the start and the end of the wait
    clock.SetStep(21);
    IcmpClient client(clock);
    client.SetHost("LocalHost");
    client.SetPort(0);
    EXPECT_EQ(client.Sequence(), 3489);
    EXCHANGE_OR_SKIP(client, "", 0);
    const TReplyStatus& status = client.ReplyStatus();
    EXPECT_EQ(status.ReplyKind, ReplyStatusKind::Echo);
    EXPECT_EQ(status.ReplyFrom, "127.0.0.1");
    EXPECT_EQ(status.ReplySequence, 3489);
    EXPECT_EQ(status.ReplyBytes, 72);
    EXPECT_EQ(status.RoundTripMs, 21u); // three ticks: request, start, end of the wait
    EXPECT_FALSE(client.OpenSocketKind()) << "the socket stays open after a reply";
    EXPECT_EQ(client.Sequence(), 3490);

    // The port plays no part; the sequence number goes on from where it was.
    client.SetPort(7);
    client.EchoExchange("payload", 0);
    EXPECT_EQ(client.ReplyKind(), ReplyStatusKind::Echo);
    EXPECT_EQ(client.ReplyStatus().ReplySequence, 3490);
    client.EchoExchange("", 65535);
    EXPECT_EQ(client.ReplyKind(), ReplyStatusKind::Echo);
    EXPECT_EQ(client.Sequence(), 0);
}

TEST(IcmpClientTest, AnErrorKeepsTheSequenceAndTheSocket) {
    IcmpClient client;
    client.SetResolver([](const std::string&, const Deadline&) -> std::vector<std::string> {
        throw SocketError(-2, "Name or service not known");
    });
    client.SetHost("nowhere.example");
    try {
        EXCHANGE_OR_SKIP(client, "", 0);
        FAIL() << "no error";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), -2);
    }
    EXPECT_EQ(client.Sequence(), 3489);
    EXPECT_TRUE(client.OpenSocketKind()) << "the socket stays open after an error";
    client.SetHost("127.0.0.1");
    client.EchoExchange("", 0);
    EXPECT_EQ(client.ReplyKind(), ReplyStatusKind::Echo);
    EXPECT_EQ(client.ReplyStatus().ReplySequence, 3489);
}

TEST(IcmpClientTest, RefusesAHostWithALineBreakBeforeSending) {
    IcmpClient client;
    client.SetHost("127.0.0.1\n");
    EXPECT_THROW(client.EchoExchange("", 0), ProbeError);
    EXPECT_EQ(client.Sequence(), 3489);
}

TEST(IcmpClientTest, NoSocketKindAllowedMeansCannotAllocate) {
    IcmpClient client;
    client.SetSocketKinds({});
    client.SetHost("127.0.0.1");
    try {
        client.EchoExchange("", 0);
        FAIL() << "no error";
    } catch (const ProbeError& error) {
        EXPECT_STREQ(error.what(), "Cannot allocate socket.");
    }
}

} // namespace
} // namespace velnorix
