#include "alerts/alert_dispatcher.h"
#include "alerts/alert_receivers.h"
#include "alerts/channel_set.h"
#include "alerts/web_channels.h"
#include "kit/fake_host.h"
#include "support/temp_dir.h"
#include "support/test_certificates.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace velnorix {
namespace {

using ::testing::HasSubstr;

// How long a test waits for the worker before it fails; nothing is measured against it.
constexpr std::chrono::seconds kPatience(60);

class AlertDeliveryTest : public ::testing::Test {
protected:
    [[nodiscard]] std::string OutboxFile() const { return OutboxPath(m_folder.Path()); }
    [[nodiscard]] std::int64_t Now() { return m_clock.SecondsSinceEpoch(); }

    kit::TempDir m_folder;
    kit::FakeClock m_clock;
};

TEST_F(AlertDeliveryTest, AMessageARefusingReceiverMissedArrivesAfterARestart) {
    const AlertMessage message = kit::ChangesOf(1, Now());
    std::uint16_t port = 0;
    {
        const kit::RefusingPort refusing;
        port = refusing.Port();
        std::vector<std::unique_ptr<AlertChannel>> channels;
        channels.push_back(std::make_unique<WebhookChannel>(
            "http://127.0.0.1:" + std::to_string(port) + "/hook", TransferTrust{}));
        AlertDispatcher dispatcher(Outbox(OutboxFile()), std::move(channels), m_clock);
        dispatcher.Post(message);
        ASSERT_TRUE(dispatcher.WaitIdle(kPatience));
    }
    // Kept for its second attempt a minute on, in a file only its owner may read.
    const Outbox kept(OutboxFile());
    ASSERT_EQ(kept.Entries().size(), 1U);
    EXPECT_EQ(kept.Entries()[0].Message, message);
    EXPECT_EQ(kept.Entries()[0].Attempts, 1);
    EXPECT_EQ(kept.Entries()[0].Due, Now() + 60);
    EXPECT_THAT(kept.Entries()[0].LastError, HasSubstr("connect"));
    struct stat info {};
    ASSERT_EQ(stat(OutboxFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777U, 0600U);

    const kit::WebhookReceiver receiver(port);
    AlertSettings settings;
    settings.Webhook = receiver.Url();
    AlertDispatcher restarted(Outbox(OutboxFile()), ChannelsFor(settings, {}), m_clock);
    ASSERT_TRUE(restarted.WaitIdle(kPatience));
    EXPECT_TRUE(receiver.Bodies().empty()) << "tried again before its minute was up";
    m_clock.Advance(60'000);
    restarted.Wake();
    ASSERT_TRUE(restarted.WaitIdle(kPatience));
    EXPECT_THAT(receiver.Bodies(),
                ::testing::ElementsAre(
                    R"({"target":"http://site1.test/","type":"<HTML>","old":"Up","new":"Down",)"
                    R"("reason":"Connection refused \"quoted\"\u0009and tabbed",)"
                    R"("time":"2026-12-06T14:03:27Z"})"));
    EXPECT_TRUE(Outbox(OutboxFile()).Entries().empty());
}

TEST_F(AlertDeliveryTest, TenTargetsChangingInOneCycleMakeOneMessagePerChannel) {
    const kit::WebhookReceiver webhook;
    const kit::MailReceiver mail;
    kit::WriteWholeFile(m_folder.File("alert.sh"),
                        "echo run >> " + m_folder.File("runs") + "\nprintf '%s\\n' " +
                            "\"$VELNORIX_NEW_STATE\" > " + m_folder.File("states") + "\n");
    AlertSettings settings;
    settings.Webhook = webhook.Url();
    settings.Mail = {"ops@example.test", "night@example.test"};
    settings.MailServer = mail.Address();
    settings.MailFrom = "velnorix@example.test";
    settings.Command = "/bin/sh " + m_folder.File("alert.sh");

    AlertDispatcher dispatcher(Outbox(OutboxFile()), ChannelsFor(settings, {}), m_clock);
    dispatcher.Post(kit::ChangesOf(10, Now()));
    ASSERT_TRUE(dispatcher.WaitIdle(kPatience));

    ASSERT_EQ(webhook.Bodies().size(), 1U);
    EXPECT_THAT(webhook.Bodies()[0],
                HasSubstr(R"({"title":"10 targets changed state","changes":[)"));
    EXPECT_THAT(webhook.Bodies()[0], HasSubstr(R"("target":"http://site10.test/")"));
    ASSERT_EQ(mail.Mails().size(), 1U);
    for (const char* expected :
         {"MAIL FROM:<velnorix@example.test>", "RCPT TO:<ops@example.test>",
          "RCPT TO:<night@example.test>", "Subject: 10 targets changed state",
          "\n<HTML>http://site1.test/  Up -> Down  Connection refused \"quoted\"\tand tabbed\n",
          "\n<HTML>http://site10.test/  Down -> Up\n"})
        EXPECT_THAT(mail.Mails()[0], HasSubstr(expected));
    EXPECT_EQ(kit::ReadWholeFile(m_folder.File("runs")), "run\n");
    EXPECT_EQ(kit::ReadWholeFile(m_folder.File("states")),
              "Down\nUp\nDown\nUp\nDown\nUp\nDown\nUp\nDown\nUp\n");
    EXPECT_TRUE(Outbox(OutboxFile()).Entries().empty());
}

// An https web hook is trusted as a probe would trust it: through CAFile, or not at all.
TEST_F(AlertDeliveryTest, AnHttpsWebhookIsCheckedAgainstTheCaFile) {
    // Answers once the request has begun and keeps what it was sent, inside TLS.
    const kit::ServerScript receiver =
        kit::ServerScript()
            .StartTls(kit::ServerContext(kit::TestCertificate::Valid))
            .ReadLine()
            .Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
            .Close();
    kit::LoopbackServer server(std::vector{receiver, receiver});
    const std::string url = "https://127.0.0.1:" + std::to_string(server.Port()) + "/hook";
    const AlertMessage message = kit::ChangesOf(1, Now());

    const DeliveryResult untrusted = WebhookChannel(url, TransferTrust{}).Deliver(message);
    EXPECT_FALSE(untrusted.Delivered);
    EXPECT_THAT(untrusted.Reason, HasSubstr("certificate"));
    const DeliveryResult trusted =
        WebhookChannel(url, TransferTrust{kit::TestCaFile()}).Deliver(message);
    EXPECT_TRUE(trusted.Delivered) << trusted.Reason;
    server.Finish();
    ASSERT_EQ(server.ConnectionCount(), 2U);
    EXPECT_THAT(server.Received(1), HasSubstr(R"("new":"Down")"));
}

} // namespace
} // namespace velnorix
