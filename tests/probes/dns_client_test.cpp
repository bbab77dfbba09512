#include "probes/dns_client.h"
#include "probes/probe_errors.h"
#include "support/scripted_name_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using namespace kit;

struct DnsCase {
    const char* Name;
    Answer Kind;
    std::vector<ScriptedRecord> Records;
    DnsRecordType Type;
    std::vector<std::string> Expected;
    std::string Outcome; // "answer: <values>", or the failure's text
};

class DnsClientTest : public testing::TestWithParam<DnsCase> {};

// Each case asks a scripted server on 127.0.0.1 through the real probe and its c-ares channel.
TEST_P(DnsClientTest, JudgesTheWholeAnswerSet) {
    const DnsCase& c = GetParam();
    ScriptedNameServer server(c.Kind, c.Records);
    DnsClient client;
    std::string outcome;
    try {
        client.Query({.Name = "probe-target.test",
                      .Type = c.Type,
                      .Server = server.Address(),
                      .Expected = c.Expected,
                      .Timeout = 300ms});
        for (const std::string& value : client.LastAnswer())
            outcome += (outcome.empty() ? "answer: " : ", ") + value;
    } catch (const NoAnswerError& error) {
        outcome = std::string("no answer: ") + error.what();
    } catch (const ProbeError& error) {
        outcome = error.what();
    }
    EXPECT_EQ(outcome, c.Outcome);
    EXPECT_GE(server.Queries(), 1);
}

const std::vector<ScriptedRecord> kZone = {
    ARecord("10.0.0.1"),
    ARecord("10.0.0.2"),
    AaaaRecord("2001:db8::1"),
    MxRecord(10, "mx.example.org"),
    MxRecord(20, "backup.example.org"),
    TxtRecord({"v=spf1 ", "-all"}),
    TxtRecord({"esc\x1b[31mred"}),
    NsRecord("ns1.example.org"),
    CnameRecord("real.example.org"),
};

INSTANTIATE_TEST_SUITE_P(
    Answers, DnsClientTest,
    testing::Values(
        DnsCase{"AllAddresses",
                Answer::Records,
                kZone,
                DnsRecordType::A,
                {"10.0.0.2", "10.0.0.1"},
                "answer: 10.0.0.1, 10.0.0.2"},
        DnsCase{"AMissing",
                Answer::Records,
                kZone,
                DnsRecordType::A,
                {"10.0.0.1", "10.0.0.9"},
                "Missing from answer: 10.0.0.9; answer: 10.0.0.1, 10.0.0.2"},
        DnsCase{"AaaaByItsBytes",
                Answer::Records,
                kZone,
                DnsRecordType::Aaaa,
                {"2001:DB8:0::1"},
                "answer: 2001:db8::1"},
        DnsCase{"MxByHostOrPreference",
                Answer::Records,
                kZone,
                DnsRecordType::Mx,
                {"MX.example.org.", "20 backup.example.org"},
                "answer: 10 mx.example.org, 20 backup.example.org"},
        DnsCase{"MxWrongPreference",
                Answer::Records,
                kZone,
                DnsRecordType::Mx,
                {"5 mx.example.org"},
                "Missing from answer: 5 mx.example.org; answer: 10 mx.example.org, 20 "
                "backup.example.org"},
        DnsCase{"TxtJoinedAndPlain",
                Answer::Records,
                kZone,
                DnsRecordType::Txt,
                {"v=spf1 -all"},
                "answer: v=spf1 -all, esc?[31mred"},
        DnsCase{"Ns",
                Answer::Records,
                kZone,
                DnsRecordType::Ns,
                {"ns1.example.org"},
                "answer: ns1.example.org"},
        DnsCase{"Cname",
                Answer::Records,
                kZone,
                DnsRecordType::Cname,
                {"real.example.org"},
                "answer: real.example.org"},
        DnsCase{"NoRecordOfTheType",
                Answer::Records,
                {ARecord("10.0.0.1")},
                DnsRecordType::Mx,
                {},
                "DNS NOERROR: no MX record"},
        DnsCase{"NoSuchName", Answer::NoSuchName, {}, DnsRecordType::A, {}, "DNS NXDOMAIN"},
        DnsCase{"ServerFailure", Answer::ServerFailure, {}, DnsRecordType::A, {}, "DNS SERVFAIL"},
        DnsCase{"NeverAnswered",
                Answer::Silence,
                {},
                DnsRecordType::A,
                {},
                "no answer: DNS: no answer in time"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace velnorix
