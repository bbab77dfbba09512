#include "alert_receivers.h"
#include "cli/console_rig.h"

#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>

namespace velnorix::kit {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

// Nothing listens on port 1 of the loopback: a refused connection at once.
constexpr std::uint16_t kRefusingPort = 1;

std::string WithAlerts(const std::string& targets, const std::string& webhook) {
    return targets + "[Alerts]\r\nWebhook=" + webhook + "\r\n";
}

// The console monitor tells the web hook of a target that is Down from its first cycle, and
// --test-alert says for each channel whether the test message arrived.
TEST_F(ConsoleMonitorTest, TellsTheWebhookAndAnswersATestAlert) {
    WebhookReceiver hook;
    const std::string ini = m_dir.File("targets.ini");
    WriteWholeFile(ini, WithAlerts(TargetsConfig(0, false, {kRefusingPort}), hook.Url()));
    auto run = Start({ini, "--cycles", "1", "--quiet", "--no-reasons"});
    ASSERT_EQ(run->Wait(30s), 0) << run->Errors();
    ASSERT_EQ(hook.Bodies().size(), 1U) << "delivered before the run ended";
    EXPECT_THAT(hook.Bodies().front(),
                HasSubstr(R"("type":"<SMTP>","old":"Unknown","new":"Down","reason":")"));

    auto test = Start({ini, "--test-alert"});
    ASSERT_EQ(test->Wait(30s), 0) << test->Errors();
    EXPECT_EQ(test->Errors(), "Webhook: delivered\n");
    EXPECT_THAT(hook.Bodies().back(), HasSubstr(R"("type":"<Test>")"));

    const std::string refused = "http://127.0.0.1:" + std::to_string(kRefusingPort) + "/";
    WriteWholeFile(ini, WithAlerts(TargetsConfig(0, false, {kRefusingPort}), refused));
    auto undelivered = Start({ini, "--test-alert"});
    EXPECT_EQ(undelivered->Wait(30s), 7);
    EXPECT_THAT(undelivered->Errors(), testing::StartsWith("Webhook: not delivered: "));
    EXPECT_THAT(undelivered->Errors(), testing::Not(HasSubstr(refused)));
}

// A mail server that refuses the log-in: the test alert says so, and neither the password nor
// its encoding reaches the operator's screen.
TEST_F(ConsoleMonitorTest, ARefusedMailLoginKeepsItsPasswordToItself) {
    LoopbackServer server(ServerScript()
                              .SendLine("220 mail.test ESMTP")
                              .ReadLine()
                              .SendLine("250-mail.test")
                              .SendLine("250 AUTH PLAIN LOGIN")
                              .ReadLine()
                              .SendLine("535 5.7.8 Authentication credentials invalid")
                              .ReadLine()
                              .SendLine("221 bye"));
    const std::string ini = m_dir.File("targets.ini");
    WriteWholeFile(ini, TargetsConfig(0, false, {kRefusingPort}) +
                            "[Alerts]\r\nMail=ops@example.test\r\nMailServer=127.0.0.1:" +
                            std::to_string(server.Port()) +
                            "\r\nMailUser=ann\r\nMailPassword=s3cret\r\n");
    auto test = Start({ini, "--test-alert"});
    EXPECT_EQ(test->Wait(30s), 7);
    server.Finish();
    EXPECT_THAT(server.Received(), HasSubstr("AUTH ")) << "the log-in was tried";
    EXPECT_THAT(test->Errors(), testing::StartsWith("Mail: not delivered: "));
    for (const char* secret : {"s3cret", "czNjcmV0", "AGFubgBzM2NyZXQ="})
        EXPECT_THAT(test->Errors(), testing::Not(HasSubstr(secret))) << secret;
}

} // namespace
} // namespace velnorix::kit
