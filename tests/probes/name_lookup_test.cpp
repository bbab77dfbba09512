#include "base/file_descriptor.h"
#include "probes/host_resolution.h"
#include "probes/name_lookup.h"
#include "probes/probe_errors.h"
#include "probes/tcp_connection.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;

enum class Answer { Silence, NoSuchName, Addresses };

// A name server on a UDP port of 127.0.0.1 that gives every query the same kind of answer:
// none at all, "no such name", or A records for the dotted addresses given.
class ScriptedNameServer final {
public:
    explicit ScriptedNameServer(Answer answer, std::vector<std::string> addresses = {})
        : m_answer(answer), m_addresses(std::move(addresses)),
          m_socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{.sin_family = AF_INET,
                            .sin_port = 0,
                            .sin_addr = {htonl(INADDR_LOOPBACK)},
                            .sin_zero = {}};
        socklen_t length = sizeof address;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (::bind(m_socket.Get(), raw, length) != 0 ||
            ::getsockname(m_socket.Get(), raw, &length) != 0)
            throw SocketError(errno);
        m_servers = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedNameServer() {
        m_stop = true;
        m_thread.join();
    }
    ScriptedNameServer(const ScriptedNameServer&) = delete;
    ScriptedNameServer& operator=(const ScriptedNameServer&) = delete;

    [[nodiscard]] NameLookupSettings DnsOnly() const {
        return {.Servers = m_servers, .Lookups = "b"};
    }
    [[nodiscard]] int Queries() const { return m_queries; }

private:
    void Serve() {
        pollfd wait{m_socket.Get(), POLLIN, 0};
        while (!m_stop) {
            std::vector<std::uint8_t> query(512);
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t size = ::poll(&wait, 1, 20) <= 0
                                     ? 0
                                     : ::recvfrom(m_socket.Get(), query.data(), query.size(), 0,
                                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (size < 12)
                continue;
            ++m_queries;
            query.resize(static_cast<std::size_t>(size));
            const std::vector<std::uint8_t> reply = Reply(query);
            if (m_answer != Answer::Silence)
                ::sendto(m_socket.Get(), reply.data(), reply.size(), 0,
                         reinterpret_cast<const sockaddr*>(&from), fromLength);
        }
    }

    // The query's id and question, then the answer records (RFC 1035 section 4.1).
    [[nodiscard]] std::vector<std::uint8_t> Reply(const std::vector<std::uint8_t>& query) const {
        std::size_t end = 12;
        while (end < query.size() && query[end] != 0)
            end += query[end] + 1U;
        const auto rcode = static_cast<std::uint8_t>(m_answer == Answer::NoSuchName ? 3 : 0);
        const auto count = static_cast<std::uint8_t>(m_addresses.size());
        std::vector<std::uint8_t> reply = {
            query[0], query[1], 0x81, static_cast<std::uint8_t>(0x80 | rcode), 0, 1, 0, count, 0,
            0,        0,        0};
        // The question: its name, the root label, type and class.
        reply.insert(reply.end(), query.begin() + 12,
                     query.begin() + static_cast<std::ptrdiff_t>(std::min(end + 5, query.size())));
        for (const std::string& address : m_addresses) {
            // The question's name by pointer, type A, class IN, a minute, four bytes.
            reply.insert(reply.end(), {0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4});
            const in_addr_t bytes = ::inet_addr(address.c_str());
            reply.insert(reply.end(), reinterpret_cast<const std::uint8_t*>(&bytes),
                         reinterpret_cast<const std::uint8_t*>(&bytes) + 4);
        }
        return reply;
    }

    Answer m_answer;
    std::vector<std::string> m_addresses;
    FileDescriptor m_socket;
    std::string m_servers;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_queries = 0;
    std::thread m_thread;
};

struct LookupCase {
    const char* Name;
    Answer Kind;
    std::vector<std::string> Addresses;
    std::string Outcome; // the addresses found, or the error's text
};

class NameLookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(NameLookupTest, GivesTheNameServersAnswerOrItsFailure) {
    const LookupCase& c = GetParam();
    ScriptedNameServer server(c.Kind, c.Addresses);
    std::string outcome;
    try {
        for (const std::string& address :
             LookUpAddresses("probe-target.test", Deadline(250ms), server.DnsOnly()))
            outcome += outcome.empty() ? address : " " + address;
    } catch (const SocketError& error) {
        outcome = error.what();
    }
    EXPECT_EQ(outcome, c.Outcome);
    EXPECT_GE(server.Queries(), 1);
}

// The texts getaddrinfo gives for the same failures.
std::string LookupErrorText(int code) {
    return SocketError(code, ::gai_strerror(code)).what();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NameLookupTest,
    testing::Values(LookupCase{"TwoAddresses",
                               Answer::Addresses,
                               {"198.51.100.7", "203.0.113.9"},
                               "198.51.100.7 203.0.113.9"},
                    LookupCase{"NoSuchName", Answer::NoSuchName, {}, LookupErrorText(EAI_NONAME)},
                    LookupCase{"NoAddress", Answer::Addresses, {}, LookupErrorText(EAI_NODATA)},
                    LookupCase{
                        "NeverAnswered", Answer::Silence, {}, SocketError(ETIMEDOUT).what()}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(NameLookupFilesTest, TheHostsFileAnswersWithoutAskingANameServer) {
    ScriptedNameServer server(Answer::Silence);
    NameLookupSettings filesOnly = server.DnsOnly();
    filesOnly.Lookups = "f";
    // Where the hosts file maps localhost to ::1 as well, address selection may put it first.
    EXPECT_THAT(LookUpAddresses("localhost", Deadline(1s), filesOnly),
                testing::Contains("127.0.0.1"));
    EXPECT_EQ(server.Queries(), 0);
}

// A name server that never answers costs the connect time-out, not the lookup's own retries.
TEST(NameLookupConnectTest, TheLookupCountsAgainstTheConnectTimeout) {
    ScriptedNameServer server(Answer::Silence);
    TcpConnection connection(ConnectionBounds{.ConnectTimeout = 300ms});
    connection.SetResolver(MakeResolver(server.DnsOnly()));
    connection.SetHost("mail.probe-target.test");
    connection.SetPort(25);
    try {
        connection.OpenConnection();
        ADD_FAILURE() << "connected";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), ETIMEDOUT);
    }
    EXPECT_GE(server.Queries(), 1);
}

} // namespace
} // namespace velnorix
