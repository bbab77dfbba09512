#include "probes/probe_errors.h"
#include "probes/smtp_client.h"
#include "short_bounds.h"
#include "support/loopback_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::ServerScript;
using kit::ShortBounds;
using testing::ElementsAre;
using testing::ElementsAreArray;

struct Outcome {
    std::string Error; // empty for success
    int Code = 0;      // of a reply error
};

// StartDialogue and, when it succeeded, EndDialogue, as the test cycle runs them.
Outcome RunProbe(SmtpClient& client) {
    try {
        client.StartDialogue();
        client.EndDialogue();
    } catch (const ReplyError& error) {
        return {error.what(), error.Code()};
    } catch (const std::exception& error) {
        return {error.what(), 0};
    }
    EXPECT_FALSE(client.Connection().IsOpen());
    return {};
}

struct DialogueCase {
    std::string Name;
    ServerScript Server;
    Outcome Expected;
    std::vector<std::string> ClientLines;
};

TEST(SmtpClientTest, PlaysTheGreetingDialogueAndEndsItOnEveryPath) {
    const std::vector<DialogueCase> cases = {
        {"EHLO accepted in several lines",
         ServerScript()
             .SendLine("220 mail.example ESMTP")
             .ReadLine()
             .Send("250-mail.example\r\n250-SIZE 1000\r\n250 HELP\r\n"),
         {},
         {"EHLO probe.test", "QUIT"}},
        {"greeting in two lines",
         ServerScript()
             .SendLine("220-mail.example")
             .SendLine("220 ready")
             .ReadLine()
             .SendLine("250 ok"),
         {},
         {"EHLO probe.test", "QUIT"}},
        {"EHLO refused, HELO accepted",
         ServerScript()
             .SendLine("220 old")
             .ReadLine()
             .SendLine("500 what?")
             .ReadLine()
             .SendLine("250 hello"),
         {},
         {"EHLO probe.test", "HELO probe.test", "QUIT"}},
        {"EHLO and HELO refused",
         ServerScript()
             .SendLine("220 picky")
             .ReadLine()
             .SendLine("502 no")
             .ReadLine()
             .SendLine("501 still no"),
         {"still no", 501},
         {"EHLO probe.test", "HELO probe.test", "QUIT"}},
        {"greeting 554", ServerScript().SendLine("554 no service"), {"no service", 554}, {"QUIT"}},
        {"greeting 421 in two lines",
         ServerScript().SendLine("421-busy").SendLine("421 try later"),
         {"busy\r\ntry later", 421},
         {"QUIT"}},
        {"POP3 server on the SMTP port",
         ServerScript().SendLine("+OK POP3"),
         {"POP3", 0},
         {"QUIT"}},
        {"closed before the greeting",
         ServerScript().Close(),
         {"Connection Closed Gracefully."},
         {}},
        {"closed after EHLO",
         ServerScript().SendLine("220 x").ReadLine().Close(),
         {"Connection Closed Gracefully."},
         {"EHLO probe.test"}},
        {"silent after EHLO",
         ServerScript().SendLine("220 x").ReadLine().Silence(),
         {"Read Timeout"},
         {"EHLO probe.test", "QUIT"}},
        {"greeting split into one-byte segments",
         ServerScript().Trickle("220-a\r\n220 b\r\n").ReadLine().Trickle("250 ok\r\n"),
         {},
         {"EHLO probe.test", "QUIT"}},
        {"greeting over the line limit",
         ServerScript().Send("220 " + std::string(kMaxLineLength, 'y') + "\r\n"),
         {"Max line length exceeded."},
         {"QUIT"}},
    };
    for (const DialogueCase& c : cases) {
        SCOPED_TRACE(c.Name);
        LoopbackServer server(c.Server);
        SmtpClient client(ShortBounds());
        client.SetHost("127.0.0.1");
        client.SetPort(server.Port());
        client.SetHeloName("probe.test");
        const Outcome outcome = RunProbe(client);
        EXPECT_EQ(outcome.Error, c.Expected.Error);
        EXPECT_EQ(outcome.Code, c.Expected.Code);
        EXPECT_FALSE(client.Connection().IsOpen());
        server.Finish();
        EXPECT_THAT(server.ReceivedLines(), ElementsAreArray(c.ClientLines));
    }
}

TEST(SmtpClientTest, TheClientNameIsTheLocalHostName) {
    const std::string name = LocalHostName();
    ASSERT_FALSE(name.empty());
    EXPECT_LE(name.size(), kMaxClientNameLength);
    std::vector<ServerScript> scripts(
        2, ServerScript().SendLine("220 x").ReadLine().SendLine("250 ok"));
    LoopbackServer server(scripts);
    SmtpClient client(ShortBounds());
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    for (int probe = 0; probe < 2; ++probe)
        EXPECT_EQ(RunProbe(client).Error, "");
    server.Finish();
    for (std::size_t connection = 0; connection < 2; ++connection)
        EXPECT_THAT(server.ReceivedLines(connection), ElementsAre("EHLO " + name, "QUIT"));
}

TEST(SmtpClientTest, AMultiLineEhloReplyIsReadToItsEnd) {
    LoopbackServer server(ServerScript().SendLine("220 x").ReadLine().Send(
        "250-x\r\n250-AUTH LOGIN PLAIN\r\n250-auth=LOGIN\r\n"
        "250 8BITMIME\r\n"));
    SmtpClient client(ShortBounds());
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetHeloName("probe.test");
    client.StartDialogue();
    client.EndDialogue();
    server.Finish();
    EXPECT_THAT(server.ReceivedLines(), ElementsAre("EHLO probe.test", "QUIT"));
}

TEST(SmtpClientTest, AnEndlessEhloReplyFailsOnTheReplyCap) {
    ConnectionBounds bounds = ShortBounds();
    bounds.ReadTimeout = 5s;
    bounds.MaxReplyLines = 1000;
    LoopbackServer server(
        ServerScript().SendLine("220 x").ReadLine().Flood("250-EXTENSION WITHOUT END\r\n"));
    SmtpClient client(bounds);
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetHeloName("probe.test");
    EXPECT_EQ(RunProbe(client).Error, "Reply exceeds 1000 lines or 1048576 bytes.");
    EXPECT_FALSE(client.Connection().IsOpen());
}

TEST(SmtpClientTest, AnUnsafeClientNameFailsBeforeConnecting) {
    LoopbackServer server(ServerScript().SendLine("220 x"));
    SmtpClient client(ShortBounds());
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetHeloName("probe\r\nMAIL FROM:<x@y>");
    EXPECT_EQ(RunProbe(client).Error, "The client name contains a line break or NUL character.");
    server.Finish();
    EXPECT_EQ(server.ConnectionCount(), 0u);
}

} // namespace
} // namespace velnorix
