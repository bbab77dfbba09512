#include "probes/host_resolution.h"
#include "probes/icmp_client.h"
#include "probes/pop3_client.h"
#include "probes/probe_errors.h"
#include "probes/smtp_client.h"
#include "probes/tcp_connection.h"
#include "short_bounds.h"
#include "support/case_names.h"
#include "support/loopback_server.h"
#include "support/network_namespace_fixture.h"

#include <cerrno>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackFamily;
using kit::LoopbackServer;
using kit::RefusingPort;
using kit::ServerScript;
using kit::ShortBounds;
using testing::ElementsAre;

const Deadline kSoon(1s);

#define SKIP_WITHOUT_IPV6()                                                                        \
    do {                                                                                           \
        if (!kit::Ipv6LoopbackWorks())                                                             \
            GTEST_SKIP() << "IPv6 is disabled on this machine's loopback interface";               \
    } while (false)

struct LiteralCase {
    std::string Host;
    std::string Address; // what is used; empty when the literal is malformed
};

class Ipv6LiteralTest : public testing::TestWithParam<LiteralCase> {};

TEST_P(Ipv6LiteralTest, IsUsedWithoutALookupOrFailsNamingIt) {
    const LiteralCase& c = GetParam();
    const HostResolver resolver = [](const std::string& host,
                                     const Deadline&) -> std::vector<std::string> {
        ADD_FAILURE() << "looked up " << host;
        return {};
    };
    if (c.Address.empty()) {
        try {
            HostToAddresses(c.Host, resolver, kSoon);
            ADD_FAILURE() << "accepted";
        } catch (const ProbeError& error) {
            EXPECT_EQ(error.what(), "\"" + c.Host + "\" is not a valid IPv6 address.");
        }
        return;
    }
    EXPECT_THAT(HostToAddresses(c.Host, resolver, kSoon), ElementsAre(c.Address));
}

INSTANTIATE_TEST_SUITE_P(
    Literals, Ipv6LiteralTest,
    testing::Values(LiteralCase{"::1", "::1"}, LiteralCase{"[::1]", "::1"},
                    LiteralCase{"2001:db8::10", "2001:db8::10"},
                    LiteralCase{"fe80::1%eth0", "fe80::1%eth0"},
                    LiteralCase{"[fe80::1%25eth0]", "fe80::1%eth0"},
                    LiteralCase{"::ffff:127.0.0.1", "::ffff:127.0.0.1"}, LiteralCase{"[::1", ""},
                    LiteralCase{"::1]:80", ""}, LiteralCase{"1:2:3:4:5:6:7:8:9", ""},
                    LiteralCase{"[::1]:80", ""}, LiteralCase{"fe80::1%", ""},
                    LiteralCase{"mail.example:25", ""}, LiteralCase{"[]", ""}),
    // Literals differ mostly in punctuation, which names leave out: the index keeps them apart.
    [](const auto& info) {
        return std::to_string(info.index) + "_" + kit::CaseName(info.param.Host);
    });

TEST(Ipv6PeerAddressTest, AZoneReachesTheSystemAndIsNeverDropped) {
    const PeerAddress linkLocal = ToPeerAddress("fe80::1%lo", 80);
    ASSERT_EQ(linkLocal.Family(), AF_INET6);
    EXPECT_EQ(reinterpret_cast<const sockaddr_in6*>(&linkLocal.Storage)->sin6_scope_id,
              ::if_nametoindex("lo"));
    // Off the link-local range the system decides what a zone means; it may refuse it, but it
    // must not be lost on the way.
    try {
        const PeerAddress global = ToPeerAddress("2001:db8::1%7", 80);
        EXPECT_EQ(reinterpret_cast<const sockaddr_in6*>(&global.Storage)->sin6_scope_id, 7U);
    } catch (const SocketError& error) {
        EXPECT_NE(error.ErrorCode(), EDESTADDRREQ) << error.what();
    }
}

// The mail probes over ::1, written bare and in brackets, as their IPv4 tests run them.
struct MailCase {
    std::string Name;
    std::string Host;
    ServerScript Server;
    std::vector<std::string> ClientLines;
};

class Ipv6MailProbeTest : public testing::TestWithParam<MailCase> {};

TEST_P(Ipv6MailProbeTest, PlaysItsDialogueOverIpv6) {
    SKIP_WITHOUT_IPV6();
    LoopbackServer server(GetParam().Server, LoopbackFamily::Ipv6);
    Pop3Client pop3(ShortBounds());
    pop3.SetUsername("alice");
    pop3.SetPassword("secret");
    SmtpClient smtp(ShortBounds());
    smtp.SetHeloName("probe.test");
    DialogueProbe& probe = GetParam().Name == "Pop3" ? static_cast<DialogueProbe&>(pop3) : smtp;
    probe.SetHost(GetParam().Host);
    probe.SetPort(server.Port());
    probe.StartDialogue();
    probe.EndDialogue();
    server.Finish();
    EXPECT_EQ(server.ReceivedLines(), GetParam().ClientLines);
}

INSTANTIATE_TEST_SUITE_P(
    Probes, Ipv6MailProbeTest,
    testing::Values(MailCase{"Pop3",
                             "::1",
                             ServerScript()
                                 .SendLine("+OK ready")
                                 .ReadLine()
                                 .SendLine("+OK")
                                 .ReadLine()
                                 .SendLine("+OK in"),
                             {"USER alice", "PASS secret", "QUIT"}},
                    MailCase{"Smtp",
                             "[::1]",
                             ServerScript().SendLine("220 ready").ReadLine().SendLine("250 hi"),
                             {"EHLO probe.test", "QUIT"}}),
    [](const auto& info) { return info.param.Name; });

TEST(Ipv6ProbeTest, PingsTheIpv6LoopbackAddressForReal) {
    SKIP_WITHOUT_IPV6();
    IcmpClient client;
    client.SetHost("::1");
    try {
        client.EchoExchange("", 0);
    } catch (const ProbeError& error) {
        if (std::string(error.what()) == "Cannot allocate socket.")
            GTEST_SKIP() << "neither a raw nor a datagram ICMPv6 socket can be opened here";
        throw;
    }
    const TReplyStatus& status = client.ReplyStatus();
    EXPECT_EQ(status.ReplyKind, ReplyStatusKind::Echo);
    EXPECT_EQ(status.ReplyIcmpType, 129);
    EXPECT_EQ(status.ReplyFrom, "::1");
    EXPECT_EQ(status.ReplySequence, 3489);
    EXPECT_EQ(status.ReplyBytes, 92); // the 40-byte IPv6 header and our 52 bytes
    EXPECT_GT(status.ReplyTtl, 0);
    EXPECT_EQ(client.Sequence(), 3490);
}

// The resolver's answers are tried in order, across families; the first that connects is used.
TEST(Ipv6FallThroughTest, ConnectsToTheFirstAddressThatAnswers) {
    SKIP_WITHOUT_IPV6();
    LoopbackServer server(ServerScript().SendLine("+OK hi"), LoopbackFamily::Ipv6);
    // Refused on 127.0.0.1 and .2 at the server's own port number: nothing listens there.
    const std::uint16_t port = server.Port();
    std::vector<std::string> asked;
    TcpConnection connection(ShortBounds());
    connection.SetResolver([&](const std::string& host, const Deadline&) {
        asked.push_back(host);
        return std::vector<std::string>{"127.0.0.1", "127.0.0.2", "::1"};
    });
    connection.SetHost("mail.example");
    connection.SetPort(port);
    connection.OpenConnection();
    EXPECT_EQ(connection.ReadLine(), "+OK hi");
    EXPECT_THAT(asked, ElementsAre("mail.example"));
}

// Inside a namespace of the test's own: ::1 on its loopback, and a veth link on 2001:db8::/64
// whose far end has no address, so 2001:db8::2 never answers and 2001:db8:1::1 has no route.
class Ipv6NamespaceTest : public kit::NetworkNamespaceTest {
protected:
    void SetUp() override {
        NetworkNamespaceTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(m_namespace->AddSilentHosts({}));
        if (!m_namespace->Ip("addr add 2001:db8::1/64 dev vx0 nodad"))
            GTEST_SKIP() << "IPv6 is disabled in the test's network namespace";
    }

    // The error OpenConnection gives for the resolver's `answer`.
    int ConnectError(const std::vector<std::string>& answer, std::chrono::milliseconds bound) {
        int code = 0;
        m_namespace->Run([&] {
            const RefusingPort refusing(LoopbackFamily::Ipv6);
            ConnectionBounds bounds = ShortBounds();
            bounds.ConnectTimeout = bound;
            TcpConnection connection(bounds);
            connection.SetResolver([&](const std::string&, const Deadline&) { return answer; });
            connection.SetHost("mail.example");
            connection.SetPort(refusing.Port());
            try {
                connection.OpenConnection();
            } catch (const SocketError& error) {
                code = error.ErrorCode();
            }
        });
        return code;
    }

    // One echo exchange inside the namespace with the resolver's `answer`; its status, or the
    // error's text.
    std::string Ping(const std::vector<std::string>& answer, IcmpSocketKind kind,
                     TReplyStatus* status = nullptr) {
        m_namespace->SetSysctl("net/ipv4/ping_group_range", "0 2147483647");
        std::string outcome;
        m_namespace->Run([&] {
            IcmpClient client;
            client.SetSocketKinds({kind});
            client.SetResolver([&](const std::string&, const Deadline&) { return answer; });
            client.SetHost("both.example");
            client.SetReceiveTimeout(300ms);
            try {
                client.EchoExchange("", 0);
                outcome = client.ReplyStatus().ReplyFrom;
                if (status != nullptr)
                    *status = client.ReplyStatus();
            } catch (const ProbeError& error) {
                outcome = error.what();
            }
        });
        return outcome;
    }
};

class Ipv6PingKindTest : public Ipv6NamespaceTest,
                         public testing::WithParamInterface<IcmpSocketKind> {};

TEST_P(Ipv6PingKindTest, EchoesFromTheFirstAddressThatTakesTheRequest) {
    TReplyStatus status;
    EXPECT_EQ(Ping({"::1"}, GetParam(), &status), "::1");
    EXPECT_EQ(status.ReplyKind, ReplyStatusKind::Echo);
    // The kernel answers with its default hop limit; it stands where the TTL stands.
    EXPECT_EQ(status.ReplyTtl, 64);
    // No route to the first: the request goes to the next address.
    EXPECT_EQ(Ping({"2001:db8:1::1", "::1"}, GetParam()), "::1");
    EXPECT_EQ(Ping({"2001:db8:1::1"}, GetParam()), SocketError(ENETUNREACH).what());
}

TEST_P(Ipv6PingKindTest, ASilentHostTimesOutWithoutAnError) {
    TReplyStatus status;
    // Sent without error, so the next address is never tried.
    EXPECT_EQ(Ping({"2001:db8::2", "::1"}, GetParam(), &status), "0.0.0.0");
    EXPECT_EQ(status.ReplyKind, ReplyStatusKind::TimedOut);
    EXPECT_EQ(status.ReplySequence, 3489);
}

INSTANTIATE_TEST_SUITE_P(Sockets, Ipv6PingKindTest,
                         testing::Values(IcmpSocketKind::Raw, IcmpSocketKind::Datagram),
                         [](const auto& info) {
                             return info.param == IcmpSocketKind::Raw ? "Raw" : "Datagram";
                         });

TEST_F(Ipv6NamespaceTest, WhenEveryAddressFailsTheLastOnesErrorIsReported) {
    EXPECT_EQ(ConnectError({"2001:db8:1::1", "::1"}, 2s), ECONNREFUSED);
    EXPECT_EQ(ConnectError({"::1", "2001:db8:1::1"}, 2s), ENETUNREACH);
}

TEST_F(Ipv6NamespaceTest, ASilentHostCostsTheConnectBoundAndNoMore) {
    // The silent address takes all the time, so the refusing one after it is never tried.
    EXPECT_EQ(ConnectError({"2001:db8::2", "::1"}, 300ms), ETIMEDOUT);
}

} // namespace
} // namespace velnorix
