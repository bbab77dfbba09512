#include "probes/host_resolution.h"
#include "probes/name_lookup.h"
#include "probes/probe_errors.h"
#include "probes/socket_handle.h"
#include "probes/tcp_connection.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;

enum class Answer { Silence, NoSuchName, Addresses };

// A name server on a UDP port of 127.0.0.1 that gives every query the same kind of answer:
// none at all, "no such name", or the A records given.
class ScriptedNameServer final {
public:
    explicit ScriptedNameServer(Answer answer, std::vector<in_addr_t> addresses = {})
        : m_answer(answer), m_addresses(std::move(addresses)),
          m_socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        auto* raw = reinterpret_cast<sockaddr*>(&address);
        if (!m_socket.IsValid() || ::bind(m_socket.Get(), raw, length) != 0 ||
            ::getsockname(m_socket.Get(), raw, &length) != 0)
            throw std::runtime_error("cannot bind a UDP port of 127.0.0.1");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~ScriptedNameServer() {
        m_stop = true;
        m_thread.join();
    }
    ScriptedNameServer(const ScriptedNameServer&) = delete;
    ScriptedNameServer& operator=(const ScriptedNameServer&) = delete;

    [[nodiscard]] NameLookupSettings DnsOnly() const {
        return {.Servers = "127.0.0.1:" + std::to_string(m_port), .Lookups = "b"};
    }
    [[nodiscard]] int Queries() const { return m_queries; }

private:
    void Serve() {
        pollfd wait{m_socket.Get(), POLLIN, 0};
        while (!m_stop) {
            if (::poll(&wait, 1, 20) <= 0)
                continue;
            std::array<std::uint8_t, 512> query{};
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t size = ::recvfrom(m_socket.Get(), query.data(), query.size(), 0,
                                            reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (size < 12)
                continue;
            ++m_queries;
            if (m_answer == Answer::Silence)
                continue;
            const std::vector<std::uint8_t> reply =
                Reply(std::vector<std::uint8_t>(query.begin(), query.begin() + size));
            ::sendto(m_socket.Get(), reply.data(), reply.size(), 0,
                     reinterpret_cast<const sockaddr*>(&from), fromLength);
        }
    }

    // The query's id and question, then the answer records (RFC 1035 section 4.1).
    [[nodiscard]] std::vector<std::uint8_t> Reply(const std::vector<std::uint8_t>& query) const {
        std::size_t end = 12;
        while (end < query.size() && query[end] != 0)
            end += query[end] + 1U;
        end += 5; // the root label, type and class
        const bool found = m_answer == Answer::Addresses;
        const auto count = static_cast<std::uint8_t>(m_addresses.size());
        std::vector<std::uint8_t> reply = {
            query[0], query[1], 0x81, static_cast<std::uint8_t>(found ? 0x80 : 0x83),
            0,        1,        0,    count,
            0,        0,        0,    0};
        reply.insert(reply.end(), query.begin() + 12,
                     query.begin() + static_cast<std::ptrdiff_t>(std::min(end, query.size())));
        for (const in_addr_t address : m_addresses) {
            // The name as a pointer to the question's, type A, class IN, a minute, 4 bytes.
            reply.insert(reply.end(), {0xC0, 12, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4});
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address);
            reply.insert(reply.end(), bytes, bytes + 4);
        }
        return reply;
    }

    Answer m_answer;
    std::vector<in_addr_t> m_addresses;
    SocketHandle m_socket;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_queries = 0;
    std::thread m_thread;
};

in_addr_t Dotted(const char* text) {
    return ::inet_addr(text);
}

// The addresses found, or "error <number>: <text>".
std::string OutcomeOf(const NameLookupSettings& settings, std::chrono::milliseconds bound) {
    try {
        std::string found;
        for (const std::string& address :
             LookUpAddresses("probe-target.test", Deadline(bound), settings))
            found += (found.empty() ? "" : " ") + address;
        return found;
    } catch (const SocketError& error) {
        return "error " + std::to_string(error.ErrorCode()) + ": " + error.what();
    }
}

std::string ErrorText(int code, const char* description) {
    return "error " + std::to_string(code) + ": Socket Error # " + std::to_string(code) + "\r\n" +
           description;
}

struct LookupCase {
    const char* Name;
    Answer Kind;
    std::vector<in_addr_t> Addresses;
    std::string Outcome;
};

class NameLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(NameLookupTest, GivesTheNameServersAnswerOrItsFailure) {
    const LookupCase& c = GetParam();
    ScriptedNameServer server(c.Kind, c.Addresses);
    EXPECT_EQ(OutcomeOf(server.DnsOnly(), 250ms), c.Outcome);
    EXPECT_GE(server.Queries(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NameLookupTest,
    ::testing::Values(
        LookupCase{"TwoAddresses",
                   Answer::Addresses,
                   {Dotted("198.51.100.7"), Dotted("203.0.113.9")},
                   "198.51.100.7 203.0.113.9"},
        LookupCase{"NoSuchName",
                   Answer::NoSuchName,
                   {},
                   ErrorText(EAI_NONAME, ::gai_strerror(EAI_NONAME))},
        LookupCase{
            "NoAddress", Answer::Addresses, {}, ErrorText(EAI_NODATA, ::gai_strerror(EAI_NODATA))},
        LookupCase{
            "NeverAnswered", Answer::Silence, {}, ErrorText(ETIMEDOUT, std::strerror(ETIMEDOUT))}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(NameLookupFilesTest, TheHostsFileAnswersWithoutAskingANameServer) {
    ScriptedNameServer server(Answer::Silence);
    NameLookupSettings filesOnly = server.DnsOnly();
    filesOnly.Lookups = "f";
    EXPECT_EQ(LookUpAddresses("localhost", Deadline(1s), filesOnly).front(), "127.0.0.1");
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
        FAIL() << "connected";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), ETIMEDOUT);
    }
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_GE(server.Queries(), 1);
}

} // namespace
} // namespace velnorix
