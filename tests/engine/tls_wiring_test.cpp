#include "engine/network_probes.h"
#include "engine/target_probe.h"
#include "kit/fake_host.h"
#include "probes/short_bounds.h"
#include "support/case_names.h"
#include "support/loopback_server.h"
#include "support/test_certificates.h"

#include <gtest/gtest.h>
#include <string>

namespace velnorix {
namespace {

using kit::FakeClock;
using kit::FakeHost;
using kit::LoopbackServer;
using kit::NamedCase;
using kit::ServerContext;
using kit::ServerScript;
using kit::TestCertificate;

struct TrustCase {
    std::string Name;
    std::string IniFileName;
    std::string CAFile;
    std::string Expected;
};

class TrustOfTest : public testing::TestWithParam<TrustCase> {};

TEST_P(TrustOfTest, TakesARelativeBundleFromTheConfigurationsFolder) {
    RunModel model;
    model.IniFileName = GetParam().IniFileName;
    model.Config.CAFile = GetParam().CAFile;
    model.Config.CertWarnDays = 14;
    const TlsTrust trust = TrustOf(model);
    EXPECT_EQ(trust.CAFile, GetParam().Expected);
    EXPECT_EQ(trust.WarnDays, 14);
}

INSTANTIATE_TEST_SUITE_P(Bundles, TrustOfTest,
                         testing::Values(TrustCase{"None", "/etc/velnorix/run.ini", "", ""},
                                         TrustCase{"Relative", "/etc/velnorix/run.ini",
                                                   "certs/ca.pem", "/etc/velnorix/certs/ca.pem"},
                                         TrustCase{"Absolute", "/etc/velnorix/run.ini",
                                                   "/srv/ca.pem", "/srv/ca.pem"},
                                         TrustCase{"NoFileYet", "", "ca.pem", "ca.pem"}),
                         NamedCase{});

struct WiringCase {
    std::string Name;
    std::string Type;
    TargetSecurity Security;
    ServerScript Server;
};

class SecurityWiringTest : public testing::TestWithParam<WiringCase> {};

TEST_P(SecurityWiringTest, TheTargetsSecurityReachesItsProbeAndTheExpiryComesBack) {
    const WiringCase& c = GetParam();
    LoopbackServer server(c.Server);
    NetworkProbeSettings settings;
    settings.Mail = kit::ShortBounds();
    NetworkProbes probes(settings);
    probes.Smtp().SetHeloName("probe.test");
    TargetSettings entry;
    entry.SetType(c.Type);
    entry.Addr = "127.0.0.1";
    entry.Port = server.Port();
    entry.User = "ann";
    entry.Password = "s3cret";
    entry.Security = c.Security;
    FakeClock clock;
    FakeHost host;

    const ProbeOutcome outcome =
        ProbeTarget(TestTypeOf(c.Type), 0, entry, probes.Components(), clock, host,
                    {.CAFile = kit::TestCaFile(), .WarnDays = 0});
    server.Finish();

    EXPECT_FALSE(outcome.Failed);
    EXPECT_EQ(outcome.CertificateExpiry, kit::ExpiryOf(TestCertificate::Valid));
}

const auto kValid = ServerContext(TestCertificate::Valid);

INSTANTIATE_TEST_SUITE_P(Targets, SecurityWiringTest,
                         testing::Values(WiringCase{"Pop3Tls", "<POP3>", TargetSecurity::Tls,
                                                    ServerScript()
                                                        .StartTls(kValid)
                                                        .SendLine("+OK ready")
                                                        .ReadLine()
                                                        .SendLine("+OK")
                                                        .ReadLine()
                                                        .SendLine("+OK")},
                                         WiringCase{"SmtpStartTls", "<SMTP>",
                                                    TargetSecurity::StartTls,
                                                    ServerScript()
                                                        .SendLine("220 ready")
                                                        .ReadLine()
                                                        .SendLine("250 STARTTLS")
                                                        .ReadLine()
                                                        .SendLine("220 go")
                                                        .StartTls(kValid)
                                                        .ReadLine()
                                                        .SendLine("250 hello")}),
                         NamedCase{});

} // namespace
} // namespace velnorix
