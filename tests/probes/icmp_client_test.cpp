#include "base/file_descriptor.h"
#include "kit/fake_host.h"
#include "probes/icmp_client.h"
#include "probes/probe_errors.h"
#include "support/network_namespace.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdint>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::NetworkNamespace;

// The silent host of the namespace tests: on a veth link of a documentation range that
// nothing answers on, so requests go unanswered without leaving the namespace.
constexpr const char* kSilentHost = "198.51.100.2";

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

// Nothing is sent to a host with a line break, nor when no socket kind is allowed.
TEST(IcmpClientTest, RefusesAHostWithALineBreakAndAnEmptyChoiceOfSockets) {
    IcmpClient broken;
    broken.SetHost("127.0.0.1\n");
    EXPECT_THROW(broken.EchoExchange("", 0), ProbeError);
    EXPECT_EQ(broken.Sequence(), 3489);
    IcmpClient client;
    client.SetSocketKinds({});
    client.SetHost("127.0.0.1");
    EXPECT_THAT([&] { client.EchoExchange("", 0); },
                testing::ThrowsMessage<ProbeError>(testing::StrEq("Cannot allocate socket.")));
}

class IcmpNamespaceTest : public testing::Test {
protected:
    // Aims `client` at `host` over `kinds`, waiting `timeout` for each reply.
    static void Aim(IcmpClient& client, const char* host, std::chrono::milliseconds timeout,
                    std::vector<IcmpSocketKind> kinds = {IcmpSocketKind::Raw}) {
        client.SetSocketKinds(std::move(kinds));
        client.SetHost(host);
        client.SetReceiveTimeout(timeout);
    }

    void SetUp() override {
        std::string whyNot;
        m_namespace = NetworkNamespace::Create(whyNot);
        if (!m_namespace)
            GTEST_SKIP() << whyNot;
    }

    // A veth pair whose far end has no address: requests to kSilentHost get no answer.
    void AddSilentLink() {
        ASSERT_TRUE(m_namespace->Ip("link add vx0 type veth peer name vx1"));
        ASSERT_TRUE(m_namespace->Ip("addr add 198.51.100.1/24 dev vx0"));
        ASSERT_TRUE(m_namespace->Ip("link set vx0 up"));
        ASSERT_TRUE(m_namespace->Ip("link set vx1 up"));
    }

    std::unique_ptr<NetworkNamespace> m_namespace;
};

// A kind the kernel refuses gives way to the next: the datagram socket while some group may open
// one, else the raw socket. An error keeps the socket, which tells the kind; either then serves.
TEST_F(IcmpNamespaceTest, TheRawSocketFallsBackToTheDatagramSocket) {
    for (const auto& [groups, taken] : {std::pair{"0 2147483647", IcmpSocketKind::Datagram},
                                        std::pair{"1 0", IcmpSocketKind::Raw}}) {
        m_namespace->SetSysctl("net/ipv4/ping_group_range", groups);
        m_namespace->Run([taken] {
            IcmpClient client;
            client.SetResolver([](const std::string&, const Deadline&) -> std::vector<std::string> {
                throw SocketError(1, "x");
            });
            Aim(client, "unresolvable", 2s, {IcmpSocketKind::Datagram, IcmpSocketKind::Raw});
            EXPECT_THROW(client.EchoExchange("", 0), SocketError);
            EXPECT_EQ(client.OpenSocketKind(), taken);
            client.SetHost("127.0.0.1");
            client.EchoExchange("", 4000);
            const TReplyStatus& status = client.ReplyStatus();
            EXPECT_EQ(status.ReplyKind, ReplyStatusKind::Echo);
            EXPECT_EQ(status.ReplyIcmpType, 0);
            EXPECT_EQ(status.ReplySequence, 4000);
            EXPECT_EQ(status.ReplyFrom, "127.0.0.1");
            EXPECT_EQ(status.ReplyBytes, 72);
            // The kernel answers with its default TTL; the datagram socket reports it aside.
            EXPECT_EQ(status.ReplyTtl, 64);
            EXPECT_EQ(client.Sequence(), 4001);
        });
    }
}

// A host that never answers, and this one with echo replies off, where the raw socket still sees
// our own request go out over loopback: both time out without an error.
TEST_F(IcmpNamespaceTest, AnUnansweredRequestTimesOutWithoutAnError) {
    AddSilentLink();
    m_namespace->SetSysctl("net/ipv4/icmp_echo_ignore_all", "1");
    for (const auto& [host, kinds] :
         {std::pair{kSilentHost, std::vector{IcmpSocketKind::Raw, IcmpSocketKind::Datagram}},
          std::pair{"127.0.0.1", std::vector{IcmpSocketKind::Raw}}}) {
        m_namespace->Run([&] {
            IcmpClient client;
            Aim(client, host, 300ms, kinds);
            client.EchoExchange("", 0);
            const TReplyStatus& status = client.ReplyStatus();
            EXPECT_EQ(status.ReplyKind, ReplyStatusKind::TimedOut) << host;
            EXPECT_EQ(status.ReplyBytes, 0);
            EXPECT_EQ(status.ReplyFrom, "0.0.0.0");
            EXPECT_EQ(status.ReplyIcmpType, 0);
            EXPECT_EQ(status.ReplySequence, 3489);
            EXPECT_EQ(status.ReplyTtl, 0);
            EXPECT_FALSE(client.OpenSocketKind());
            EXPECT_EQ(client.Sequence(), 3490);
        });
    }
}

// Sends crafted ICMP datagrams to 127.0.0.1 again and again until stopped, so that they
// reach a probe waiting on its raw socket whenever its wait begins.
class DatagramInjector final {
public:
    explicit DatagramInjector(std::vector<std::uint8_t> icmp)
        : m_icmp(std::move(icmp)), m_thread([this] { Inject(); }) {}
    ~DatagramInjector() {
        m_stop = true;
        m_thread.join();
    }

private:
    void Inject() {
        FileDescriptor socket(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        while (!m_stop) {
            ::sendto(socket.Get(), m_icmp.data(), m_icmp.size(), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
            std::this_thread::sleep_for(5ms);
        }
    }

    std::vector<std::uint8_t> m_icmp;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::vector<std::uint8_t> WithChecksum(std::vector<std::uint8_t> icmp) {
    const std::uint16_t checksum = InternetChecksum(icmp);
    icmp[2] = static_cast<std::uint8_t>(checksum & 0xff);
    icmp[3] = static_cast<std::uint8_t>(checksum >> 8);
    return icmp;
}

std::vector<std::uint8_t> EchoReply(std::uint16_t identifier, std::uint16_t sequence) {
    const EchoRequest request = BuildEchoRequest(identifier, sequence, 0, "");
    std::vector<std::uint8_t> icmp(request.begin(), request.begin() + 8);
    icmp[0] = icmp[2] = icmp[3] = 0;
    return WithChecksum(icmp);
}

// The identifier every request of this process carries.
std::uint16_t OurIdentifier() {
    return static_cast<std::uint16_t>(::getpid() & 0xffff);
}

// An error message of `type` quoting an echo request to kSilentHost with `identifier` and
// `sequence`.
std::vector<std::uint8_t> ErrorQuoting(std::uint8_t type, std::uint16_t identifier,
                                       std::uint16_t sequence) {
    std::vector<std::uint8_t> icmp = {type, 1, 0, 0, 0, 0, 0, 0};
    const std::vector<std::uint8_t> quotedHeader = {0x45, 0, 0,   52, 0,   0, 0,   0,  128, 1,
                                                    0,    0, 198, 51, 100, 1, 198, 51, 100, 2};
    icmp.insert(icmp.end(), quotedHeader.begin(), quotedHeader.end());
    const EchoRequest request = BuildEchoRequest(identifier, sequence, 0, "");
    icmp.insert(icmp.end(), request.begin(), request.begin() + 8);
    return WithChecksum(icmp);
}

TEST_F(IcmpNamespaceTest, TheWaitDropsWhatAnswersSomethingElse) {
    AddSilentLink();
    m_namespace->Run([] {
        IcmpClient client;
        Aim(client, kSilentHost, 300ms);
        {
            const std::uint16_t ours = OurIdentifier();
            // Each of these reaches the probe's socket during its wait, and none answers it.
            const DatagramInjector otherPings(EchoReply(ours, 9));
            // From 127.0.0.1, not from the host asked.
            const DatagramInjector wrongSource(EchoReply(ours, 500));
            const DatagramInjector otherUnreachable(ErrorQuoting(3, ours, 10));
            const DatagramInjector otherProgramsUnreachable(ErrorQuoting(3, ours ^ 0x5a5a, 500));
            client.EchoExchange("", 500);
        }
        EXPECT_EQ(client.ReplyKind(), ReplyStatusKind::TimedOut);
        EXPECT_EQ(client.ReplyStatus().ReplySequence, 500);
    });
}

TEST_F(IcmpNamespaceTest, AnUnreachableQuotingTheRequestDecidesTheExchange) {
    AddSilentLink();
    m_namespace->Run([] {
        IcmpClient client;
        Aim(client, kSilentHost, 5s);
        {
            const DatagramInjector unreachable(ErrorQuoting(3, OurIdentifier(), 600));
            client.EchoExchange("", 600);
        }
        const TReplyStatus& status = client.ReplyStatus();
        EXPECT_EQ(status.ReplyKind, ReplyStatusKind::Unreachable);
        EXPECT_EQ(status.ReplyIcmpType, 3);
        EXPECT_EQ(status.ReplySequence, 600);
        EXPECT_EQ(status.ReplyFrom, "127.0.0.1");
        EXPECT_EQ(client.Sequence(), 601);
    });
}

TEST_F(IcmpNamespaceTest, ARedirectQuotingTheRequestEndsTheExchangeWithAnError) {
    AddSilentLink();
    m_namespace->Run([] {
        IcmpClient client;
        Aim(client, kSilentHost, 5s);
        const DatagramInjector redirect(ErrorQuoting(5, OurIdentifier(), 700));
        EXPECT_THAT(
            [&] { client.EchoExchange("", 700); },
            testing::ThrowsMessage<ProbeError>(testing::StrEq("Non-echo type response received")));
        EXPECT_EQ(client.Sequence(), 700);
        EXPECT_TRUE(client.OpenSocketKind());
    });
}

// The sequence number as a packet filter reads the field: the probe writes it low byte first.
std::uint16_t AsFilterReadsIt(std::uint16_t sequence) {
    return static_cast<std::uint16_t>((sequence >> 8) | (sequence << 8));
}

TEST_F(IcmpNamespaceTest, ProbesSharingSequencesTakeOnlyTheirOwnReplies) {
    // The host drops the request with the first sequence number of the shared source and
    // answers the other.
    if (!m_namespace->Exec("nft 'add table ip velnorix; add chain ip velnorix in { type filter "
                           "hook input priority 0; }; add rule ip velnorix in icmp type "
                           "echo-request icmp sequence " +
                           std::to_string(AsFilterReadsIt(kFirstEchoSequence)) + " drop'"))
        GTEST_SKIP() << "nft cannot add a rule in the namespace (package nftables)";
    m_namespace->Run([] {
        const auto sequences = std::make_shared<EchoSequences>();
        IcmpClient first;
        IcmpClient second;
        for (IcmpClient* client : {&first, &second}) {
            Aim(*client, "127.0.0.1", 1s);
            client->ShareSequences(sequences);
        }
        // The second starts while the first waits, so the first's raw socket sees the reply to
        // the second, from the same host and with the same identifier.
        std::thread waiting([&] { first.EchoExchange("", 0); });
        std::this_thread::sleep_for(200ms);
        second.EchoExchange("", 0);
        waiting.join();

        const std::uint16_t dropped = kFirstEchoSequence;
        for (const IcmpClient* client : {&first, &second}) {
            const TReplyStatus& status = client->ReplyStatus();
            EXPECT_EQ(status.ReplyKind, status.ReplySequence == dropped ? ReplyStatusKind::TimedOut
                                                                        : ReplyStatusKind::Echo)
                << "sequence " << status.ReplySequence;
        }
        EXPECT_THAT(
            (std::vector{first.ReplyStatus().ReplySequence, second.ReplyStatus().ReplySequence}),
            testing::UnorderedElementsAre(dropped, dropped + 1));
    });
}

TEST_F(IcmpNamespaceTest, ARawSocketFullOfOtherProbesTrafficStillGetsItsReply) {
    // Every raw ICMP socket gets a copy of every echo datagram of the host. A probe kept from
    // reading for a while (here: between two exchanges, its socket kept after a send that found
    // no route) finds its queue full of the others' requests and replies when its own comes.
    struct Case {
        const char* Unroutable;
        const char* Live;
    };
    for (const Case& each : {Case{"192.0.2.1", "127.0.0.1"}, Case{"2001:db8::1", "::1"}}) {
        m_namespace->Run([&each] {
            const auto sequences = std::make_shared<EchoSequences>();
            IcmpClient waiting;
            IcmpClient busy;
            for (IcmpClient* client : {&waiting, &busy}) {
                Aim(*client, each.Live, 1s);
                client->ShareSequences(sequences);
            }
            waiting.SetHost(each.Unroutable);
            EXPECT_THROW(waiting.EchoExchange("", 0), SocketError);
            ASSERT_TRUE(waiting.OpenSocketKind()) << each.Live;
            // 2,000 requests and replies: several times what a receive queue holds by default.
            for (int i = 0; i < 1000; ++i)
                busy.EchoExchange("", 0);
            EXPECT_EQ(busy.ReplyKind(), ReplyStatusKind::Echo) << each.Live;
            waiting.SetHost(each.Live);
            waiting.EchoExchange("", 0);
            EXPECT_EQ(waiting.ReplyKind(), ReplyStatusKind::Echo) << each.Live;
        });
    }
}

TEST_F(IcmpNamespaceTest, RequestsCarryTheProcessIdentifier) {
    m_namespace->Run([] {
        // A second raw socket sees every ICMP datagram of the namespace, our request among them.
        FileDescriptor capture(
            ::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP));
        ASSERT_TRUE(capture.IsValid());
        IcmpClient client;
        Aim(client, "127.0.0.1", 2s);
        client.EchoExchange("", 0);
        client.EchoExchange("", 0);
        EXPECT_EQ(client.ReplyKind(), ReplyStatusKind::Echo);

        std::vector<std::vector<std::uint8_t>> requests;
        std::array<std::uint8_t, 1024> buffer{};
        for (ssize_t size; (size = ::recv(capture.Get(), buffer.data(), buffer.size(), 0)) > 0;) {
            const std::size_t header = static_cast<std::size_t>(buffer[0] & 0x0f) * 4;
            if (static_cast<std::size_t>(size) >= header + kEchoRequestSize && buffer[header] == 8)
                requests.emplace_back(buffer.begin() + static_cast<std::ptrdiff_t>(header),
                                      buffer.begin() + size);
        }
        ASSERT_EQ(requests.size(), 2u);
        for (const std::vector<std::uint8_t>& request : requests) {
            EXPECT_EQ(request[4] | (request[5] << 8), OurIdentifier());
            EXPECT_EQ(InternetChecksum(request), 0) << "the checksum covers what was sent";
        }
    });
}

} // namespace
} // namespace velnorix
