#include "base/clock.h"
#include "probes/pop3_client.h"
#include "probes/short_bounds.h"
#include "probes/smtp_client.h"
#include "support/case_names.h"
#include "support/loopback_server.h"
#include "support/test_certificates.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace velnorix {
namespace {

using kit::LoopbackServer;
using kit::ServerContext;
using kit::ServerScript;
using kit::TestCertificate;

constexpr const char* kClientName = "probe.test";

enum class Mail { Pop3, Smtp };

struct MailCase {
    std::string Name;
    Mail Protocol;
    ChannelSecurity Security;
    ServerScript Server;
    // Empty for success; the whole text, or its start when `WholeError` is false.
    std::string Error;
    bool WholeError = true;
    // What the server read, inside TLS once it was on; nothing when not compared.
    std::optional<std::vector<std::string>> ClientLines;
};

// StartDialogue and, after a success, EndDialogue, as the test cycle runs them; the error text,
// empty for success.
std::string RunDialogue(DialogueProbe& probe) {
    try {
        probe.StartDialogue();
        probe.EndDialogue();
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

// A POP3 client logs in as alice, an SMTP client introduces itself as kClientName.
template <typename Client>
void PointAtServer(Client& client, const std::string& host, std::uint16_t port,
                   ChannelSecurity security,
                   const TlsTrust& trust = {.CAFile = kit::TestCaFile(), .WarnDays = 0}) {
    client.SetHost(host);
    client.SetPort(port);
    client.SetSecurity(security);
    client.SetTrust(trust);
    if constexpr (std::is_same_v<Client, Pop3Client>) {
        client.SetUsername("alice");
        client.SetPassword("secret");
    } else {
        client.SetHeloName(kClientName);
    }
}

template <typename Client>
std::string ProbeWith(const MailCase& c, std::uint16_t port) {
    Client client(kit::ShortBounds());
    PointAtServer(client, "127.0.0.1", port, c.Security);
    return RunDialogue(client);
}

class MailTlsTest : public testing::TestWithParam<MailCase> {};

TEST_P(MailTlsTest, SpeaksTlsWhereAskedAndNothingInTheClearBeforeIt) {
    const MailCase& c = GetParam();
    LoopbackServer server(c.Server);
    const std::string error = c.Protocol == Mail::Pop3 ? ProbeWith<Pop3Client>(c, server.Port())
                                                       : ProbeWith<SmtpClient>(c, server.Port());
    server.Finish();
    if (c.WholeError) {
        EXPECT_EQ(error, c.Error);
    } else {
        EXPECT_THAT(error, testing::StartsWith(c.Error));
    }
    if (c.ClientLines) {
        EXPECT_EQ(server.ReceivedLines(), *c.ClientLines);
    }
    EXPECT_THAT(server.Mismatches(), testing::IsEmpty());
}

ServerScript Pop3LogIn(ServerScript script) {
    return script.ReadLine().SendLine("+OK").ReadLine().SendLine("+OK logged in");
}

const auto kValid = ServerContext(TestCertificate::Valid);
const std::string kEhlo = std::string("EHLO ") + kClientName;

INSTANTIATE_TEST_SUITE_P(
    Dialogues, MailTlsTest,
    testing::Values(
        MailCase{"Pop3ImplicitTls", Mail::Pop3, ChannelSecurity::Tls,
                 Pop3LogIn(ServerScript().StartTls(kValid).SendLine("+OK ready")), "", true,
                 std::vector<std::string>{"USER alice", "PASS secret", "QUIT"}},
        MailCase{"Pop3Stls", Mail::Pop3, ChannelSecurity::StartTls,
                 Pop3LogIn(ServerScript()
                               .SendLine("+OK ready")
                               .ExpectLine("STLS")
                               .SendLine("+OK begin TLS")
                               .StartTls(kValid)),
                 "", true, std::vector<std::string>{"STLS", "USER alice", "PASS secret", "QUIT"}},
        MailCase{"Pop3StlsRefused", Mail::Pop3, ChannelSecurity::StartTls,
                 ServerScript().SendLine("+OK ready").ReadLine().SendLine("-ERR not here"),
                 " not here", true, std::vector<std::string>{"STLS", "QUIT"}},
        MailCase{"Pop3GreetingSentAheadOfTheHandshake", Mail::Pop3, ChannelSecurity::StartTls,
                 ServerScript().SendLine("+OK ready").ReadLine().Send("+OK go\r\n+OK injected\r\n"),
                 "The server sent data ahead of the TLS handshake.", true,
                 std::vector<std::string>{"STLS"}},
        MailCase{
            "SmtpImplicitTls", Mail::Smtp, ChannelSecurity::Tls,
            ServerScript().StartTls(kValid).SendLine("220 ready").ReadLine().SendLine("250 hello"),
            "", true, std::vector<std::string>{kEhlo, "QUIT"}},
        MailCase{"SmtpStartTlsIntroducesItselfAgain", Mail::Smtp, ChannelSecurity::StartTls,
                 ServerScript()
                     .SendLine("220 ready")
                     .ReadLine()
                     .Send("250-hello\r\n250-SIZE 1000\r\n250 starttls\r\n")
                     .ExpectLine("STARTTLS")
                     .SendLine("220 go ahead")
                     .StartTls(kValid)
                     .ExpectLine(kEhlo)
                     .SendLine("250 hello again"),
                 "", true, std::vector<std::string>{kEhlo, "STARTTLS", kEhlo, "QUIT"}},
        MailCase{
            "SmtpStartTlsNotOffered", Mail::Smtp, ChannelSecurity::StartTls,
            ServerScript().SendLine("220 ready").ReadLine().Send("250-hello\r\n250 SIZE 1000\r\n"),
            "The server does not offer STARTTLS: hello\r\nSIZE 1000", true,
            std::vector<std::string>{kEhlo, "QUIT"}},
        MailCase{"SmtpStartTlsRefused", Mail::Smtp, ChannelSecurity::StartTls,
                 ServerScript()
                     .SendLine("220 ready")
                     .ReadLine()
                     .Send("250-hello\r\n250 STARTTLS\r\n")
                     .ReadLine()
                     .SendLine("454 TLS not available"),
                 "TLS not available", true, std::vector<std::string>{kEhlo, "STARTTLS", "QUIT"}},
        MailCase{"PlainServerOnATlsTarget", Mail::Pop3, ChannelSecurity::Tls,
                 ServerScript().SendLine("+OK plain ready"), "TLS handshake failed: ", false,
                 std::nullopt},
        MailCase{"ServerStallsInTheHandshake", Mail::Smtp, ChannelSecurity::Tls,
                 ServerScript().Silence(), "TLS handshake failed: Read Timeout", true,
                 std::nullopt}),
    kit::NamedCase{});

// The certificate checks, on a POP3 log-in over TLS to `Host`.
struct CertificateCase {
    std::string Name;
    TestCertificate Certificate;
    std::string Host;
    std::int32_t WarnDays;
    bool WithTestCa;
    // Empty for success.
    std::string Error;
    // Whether the probe learns when the certificate expires.
    bool SeesExpiry;
};

std::string VerifyFailure(long code) {
    return std::string("Certificate verify failed: ") + X509_verify_cert_error_string(code);
}

class CertificateTest : public testing::TestWithParam<CertificateCase> {};

TEST_P(CertificateTest, JudgesTheServersCertificate) {
    const CertificateCase& c = GetParam();
    LoopbackServer server(
        Pop3LogIn(ServerScript().StartTls(ServerContext(c.Certificate)).SendLine("+OK ready")));
    Pop3Client client(kit::ShortBounds());
    PointAtServer(client, c.Host, server.Port(), ChannelSecurity::Tls,
                  {.CAFile = c.WithTestCa ? kit::TestCaFile() : "", .WarnDays = c.WarnDays});
    const std::string error = RunDialogue(client);
    server.Finish();
    EXPECT_EQ(error, c.Error);
    EXPECT_EQ(client.CertificateExpiry(), c.SeesExpiry ? kit::ExpiryOf(c.Certificate) : 0);
    if (!c.Error.empty()) {
        EXPECT_THAT(server.Received(), testing::Not(testing::HasSubstr("secret")));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Checks, CertificateTest,
    testing::Values(
        CertificateCase{"ValidForTheName", TestCertificate::Valid, "localhost", 0, true, "", true},
        CertificateCase{"UnknownCaWithoutTheBundle", TestCertificate::Valid, "127.0.0.1", 0, false,
                        VerifyFailure(X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY), false},
        CertificateCase{"Expired", TestCertificate::Expired, "127.0.0.1", 0, true,
                        VerifyFailure(X509_V_ERR_CERT_HAS_EXPIRED), false},
        CertificateCase{"OtherNameForAnAddress", TestCertificate::OtherName, "127.0.0.1", 0, true,
                        VerifyFailure(X509_V_ERR_IP_ADDRESS_MISMATCH), false},
        CertificateCase{"OtherNameForAName", TestCertificate::OtherName, "localhost", 0, true,
                        VerifyFailure(X509_V_ERR_HOSTNAME_MISMATCH), false},
        CertificateCase{"SelfSigned", TestCertificate::SelfSigned, "127.0.0.1", 0, true,
                        VerifyFailure(X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT), false},
        CertificateCase{"ExpiresBeforeTheWarningDays", TestCertificate::ShortLived, "127.0.0.1",
                        kit::kShortLivedDays + 1, true,
                        "Certificate expires in " + std::to_string(kit::kShortLivedDays) + " days",
                        true},
        CertificateCase{"ExpiresJustAfterTheWarningDays", TestCertificate::ShortLived, "127.0.0.1",
                        kit::kShortLivedDays, true, "", true}),
    kit::NamedCase{});

TEST(TlsSessionTest, ASecondLogInResumesTheSessionOfTheFirst) {
    const ServerScript logIn = Pop3LogIn(ServerScript().StartTls(kValid).SendLine("+OK ready"));
    LoopbackServer server({logIn, logIn});
    Pop3Client client(kit::ShortBounds());
    PointAtServer(client, "127.0.0.1", server.Port(), ChannelSecurity::Tls);
    std::vector<bool> resumed;
    for (int probe = 0; probe < 2; ++probe) {
        client.StartDialogue();
        resumed.push_back(client.Connection().ResumedTlsSession());
        client.EndDialogue();
    }
    server.Finish();
    EXPECT_EQ(resumed, (std::vector<bool>{false, true}));
}

// The real wall time moved on by `Skip` seconds, as if the probe ran that much later.
struct SkippingClock final : Clock {
    SystemClock System;
    std::int64_t Skip = 0;
    std::uint32_t TickCount() override { return System.TickCount(); }
    LocalDateTime Now() override { return System.Now(); }
    std::int64_t SecondsSinceEpoch() override { return System.SecondsSinceEpoch() + Skip; }
};

// POP3 log-ins over TLS, the n-th with the clock skipped by Skips[n] and answered by Server[n],
// give Errors[n] (empty for success) only when no session is resumed where it must not be.
struct ResumptionCase {
    std::string Name;
    std::int32_t WarnDays;
    std::vector<std::int64_t> Skips;
    std::vector<ServerScript> Server;
    std::vector<std::string> Errors;
};

class ResumptionTest : public testing::TestWithParam<ResumptionCase> {};

TEST_P(ResumptionTest, ASessionIsResumedOnlyWhileItsCertificateWouldStillPass) {
    const ResumptionCase& c = GetParam();
    LoopbackServer server(c.Server);
    SkippingClock clock;
    Pop3Client client(kit::ShortBounds());
    client.Connection().SetClock(clock);
    PointAtServer(client, "127.0.0.1", server.Port(), ChannelSecurity::Tls,
                  {.CAFile = kit::TestCaFile(), .WarnDays = c.WarnDays});
    std::vector<std::string> errors;
    for (const std::int64_t skip : c.Skips) {
        clock.Skip = skip;
        errors.push_back(RunDialogue(client));
    }
    server.Finish();
    EXPECT_EQ(errors, c.Errors);
}

ServerScript LogInOver(TestCertificate certificate) {
    return Pop3LogIn(ServerScript().StartTls(ServerContext(certificate)).SendLine("+OK ready"));
}

constexpr std::int64_t kDay = 86'400;

INSTANTIATE_TEST_SUITE_P(
    Sessions, ResumptionTest,
    testing::Values(
        ResumptionCase{"TheCertificateEndedSinceTheLastProbe",
                       0,
                       {0, 366 * kDay},
                       {LogInOver(TestCertificate::Valid), LogInOver(TestCertificate::Valid)},
                       {"", VerifyFailure(X509_V_ERR_CERT_HAS_EXPIRED)}},
        ResumptionCase{"TheWarningDaysBeganAndTheServerHasANewCertificate",
                       kit::kShortLivedDays,
                       {0, kDay / 12},
                       {LogInOver(TestCertificate::ShortLived), LogInOver(TestCertificate::Valid)},
                       {"", ""}},
        ResumptionCase{"AFailedProbeLeavesNoSessionToHideANewSelfSignedCertificate",
                       0,
                       {0, 0, 0},
                       {LogInOver(TestCertificate::Valid),
                        ServerScript().StartTls(kValid).SendLine("-ERR busy"),
                        LogInOver(TestCertificate::SelfSigned)},
                       {"", " busy", VerifyFailure(X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT)}}),
    kit::NamedCase{});

} // namespace
} // namespace velnorix
