#include "probes/port_client.h"
#include "probes/probe_errors.h"
#include "support/loopback_server.h"
#include "support/test_certificates.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::ServerScript;
using kit::TestCertificate;

enum class Peer { Script, Refusing };

struct PortCase {
    const char* Name;
    Peer Kind;
    ServerScript Script;
    std::string Pattern;
    bool Absent;
    bool Tls;
    std::string Outcome; // "connected", "no answer: <text>", or the failure's text
};

ServerScript Banner(std::string line, std::shared_ptr<ssl_ctx_st> tls = {}) {
    ServerScript script;
    if (tls)
        script.StartTls(std::move(tls));
    return script.SendLine(line);
}

class PortClientTest : public testing::TestWithParam<PortCase> {};

TEST_P(PortClientTest, ConnectsAndJudgesTheBanner) {
    const PortCase& c = GetParam();
    std::unique_ptr<LoopbackServer> server;
    std::unique_ptr<kit::RefusingPort> refusing;
    std::int32_t port = 0;
    if (c.Kind == Peer::Script) {
        server = std::make_unique<LoopbackServer>(c.Script);
        port = server->Port();
    } else {
        refusing = std::make_unique<kit::RefusingPort>();
        port = refusing->Port();
    }
    PortClient client;
    client.SetTrust({.CAFile = kit::TestCaFile(), .WarnDays = 0});
    std::string outcome = "connected";
    try {
        client.Open({.Host = "127.0.0.1",
                     .Port = port,
                     .Tls = c.Tls,
                     .BannerPattern = c.Pattern,
                     .BannerAbsent = c.Absent,
                     .Timeout = 200ms});
        client.Close();
    } catch (const NoAnswerError& error) {
        outcome = std::string("no answer: ") + error.what();
    } catch (const ProbeError& error) {
        outcome = error.what();
    }
    EXPECT_EQ(outcome, c.Outcome);
    if (c.Tls && outcome == "connected") {
        EXPECT_EQ(client.CertificateExpiry(), kit::ExpiryOf(TestCertificate::Valid));
    }
    if (server)
        server->Finish();
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortClientTest,
    testing::Values(PortCase{"BannerMatches", Peer::Script, Banner("SSH-2.0-Probe_1.0"),
                             "^SSH-2\\.0-", false, false, "connected"},
                    PortCase{"BannerDiffers", Peer::Script, Banner("220 mail ready\x1b[2J"),
                             "^SSH-", false, false, "Banner does not match: 220 mail ready?[2J"},
                    PortCase{"BannerMustBeAbsent", Peer::Script, Banner("-ERR maintenance"),
                             "maintenance", true, false, "Banner matches: -ERR maintenance"},
                    PortCase{"SilentWhenABannerIsExpected", Peer::Script, ServerScript().Silence(),
                             "^SSH-", false, false, "no answer: No banner in time"},
                    PortCase{"ClosedWithoutBanner", Peer::Script, ServerScript().Close(), "^SSH-",
                             false, false, "The server closed the connection without a banner."},
                    PortCase{"SilentWithoutPattern", Peer::Script, ServerScript().Silence(), "",
                             false, false, "connected"},
                    PortCase{"Refused", Peer::Refusing, ServerScript(), "", false, false,
                             "Socket Error # 111\r\nConnection refused"},
                    PortCase{"TlsBanner", Peer::Script,
                             Banner("+OK tls", kit::ServerContext(TestCertificate::Valid)),
                             "^\\+OK", false, true, "connected"},
                    PortCase{"TlsExpiredCertificate", Peer::Script,
                             Banner("+OK", kit::ServerContext(TestCertificate::Expired)), "", false,
                             true, "Certificate verify failed: certificate has expired"}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace velnorix
