#include "base/file_descriptor.h"
#include "probes/host_resolution.h"
#include "probes/name_lookup.h"
#include "probes/probe_errors.h"
#include "probes/tcp_connection.h"
#include "support/scripted_name_server.h"

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

using kit::Answer;
using kit::ScriptedNameServer;

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
                               Answer::Records,
                               {"198.51.100.7", "203.0.113.9"},
                               "198.51.100.7 203.0.113.9"},
                    LookupCase{"NoSuchName", Answer::NoSuchName, {}, LookupErrorText(EAI_NONAME)},
                    LookupCase{"NoAddress", Answer::Records, {}, LookupErrorText(EAI_NODATA)},
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
