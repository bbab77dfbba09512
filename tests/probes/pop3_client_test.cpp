#include "probes/pop3_client.h"
#include "probes/probe_errors.h"
#include "short_bounds.h"
#include "support/loopback_server.h"

#include <cerrno>
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
using testing::ElementsAreArray;

struct DialogueCase {
    std::string Name;
    ServerScript Server;
    std::string User;
    std::string Password;
    // Empty when the log-in succeeds.
    std::string Error;
    std::vector<std::string> ClientLines;
};

// Runs StartDialogue and, when it succeeded, EndDialogue, as the test cycle does; gives the
// error text, empty for success.
std::string RunProbe(Pop3Client& client) {
    try {
        client.StartDialogue();
        client.EndDialogue();
    } catch (const std::exception& error) {
        EXPECT_FALSE(client.Connection().IsOpen()) << "left open after " << error.what();
        return error.what();
    }
    return {};
}

TEST(Pop3ClientTest, PlaysTheLogInDialogueAndEndsItOnEveryPath) {
    const std::string longLine(kMaxLineLength + 1, 'x');
    const std::vector<DialogueCase> cases = {
        {"accepted",
         ServerScript()
             .SendLine("+OK POP3 ready")
             .ReadLine()
             .SendLine("+OK")
             .ReadLine()
             .SendLine("+OK logged in"),
         "alice",
         "secret",
         "",
         {"USER alice", "PASS secret", "QUIT"}},
        {"lower-case ok and blank lines",
         ServerScript()
             .Send("\r\n  \r\n+ok hi\r\n")
             .ReadLine()
             .SendLine("+oK")
             .ReadLine()
             .SendLine("+Ok"),
         "bob",
         "pw",
         "",
         {"USER bob", "PASS pw", "QUIT"}},
        {"empty user name keeps its blank, password sent as stored",
         ServerScript().SendLine("+OK").ReadLine().SendLine("+OK").ReadLine().SendLine("+OK"),
         "",
         " two  words ",
         "",
         {"USER ", "PASS  two  words ", "QUIT"}},
        {"multi-line reply read to its end",
         ServerScript()
             .SendLine("+OK-first")
             .SendLine("more")
             .SendLine("+ok last")
             .ReadLine()
             .SendLine("+OK")
             .ReadLine()
             .SendLine("+OK"),
         "u",
         "p",
         "",
         {"USER u", "PASS p", "QUIT"}},
        {"wrong password",
         ServerScript().SendLine("+OK").ReadLine().SendLine("+OK").ReadLine().SendLine(
             "-ERR invalid password"),
         "alice",
         "wrong",
         " invalid password",
         {"USER alice", "PASS wrong", "QUIT"}},
        {"greeting refused",
         ServerScript().SendLine("-ERR go away"),
         "alice",
         "secret",
         " go away",
         {"QUIT"}},
        {"letter right after +OK",
         ServerScript().SendLine("+OKready"),
         "alice",
         "secret",
         "Unrecognized POP3 Response Header:\r\n\"eady\"",
         {"QUIT"}},
        {"SMTP server on the POP3 port",
         ServerScript().SendLine("220 mail ESMTP"),
         "alice",
         "secret",
         "Unrecognized POP3 Response Header:\r\n\"mail ESMTP\"",
         {"QUIT"}},
        {"binary garbage",
         ServerScript().Send(std::string("\x16\x03\x01\0\xff\xfe\r\n", 8)),
         "alice",
         "secret",
         "Unrecognized POP3 Response Header:\r\n\"\"",
         {"QUIT"}},
        {"closed before the greeting",
         ServerScript().Close(),
         "alice",
         "secret",
         "Connection Closed Gracefully.",
         {}},
        {"closed after USER",
         ServerScript().SendLine("+OK").ReadLine().Close(),
         "alice",
         "secret",
         "Connection Closed Gracefully.",
         {"USER alice"}},
        {"silent server", ServerScript().Silence(), "alice", "secret", "Read Timeout", {"QUIT"}},
        {"greeting over the line limit",
         ServerScript().Send(longLine + "\r\n"),
         "alice",
         "secret",
         "Max line length exceeded.",
         {"QUIT"}},
        {"greeting split into one-byte segments",
         ServerScript()
             .Trickle("+OK slow\r\n")
             .ReadLine()
             .SendLine("+OK")
             .ReadLine()
             .SendLine("+OK"),
         "u",
         "p",
         "",
         {"USER u", "PASS p", "QUIT"}},
    };
    for (const DialogueCase& c : cases) {
        SCOPED_TRACE(c.Name);
        LoopbackServer server(c.Server);
        Pop3Client client(ShortBounds());
        client.SetHost("127.0.0.1");
        client.SetPort(server.Port());
        client.SetUsername(c.User);
        client.SetPassword(c.Password);
        EXPECT_EQ(RunProbe(client), c.Error);
        server.Finish();
        EXPECT_THAT(server.ReceivedLines(), ElementsAreArray(c.ClientLines));
    }
}

TEST(Pop3ClientTest, ARefusedLogInCarriesCodeTwo) {
    LoopbackServer server(ServerScript().SendLine("-ERR maintenance"));
    Pop3Client client(ShortBounds());
    client.SetHost("localhost");
    client.SetPort(server.Port());
    try {
        client.StartDialogue();
        FAIL() << "logged in";
    } catch (const ReplyError& error) {
        EXPECT_EQ(error.Code(), 2);
    }
}

TEST(Pop3ClientTest, AnEndlessGreetingFailsOnTheReplyCap) {
    ConnectionBounds bounds = ShortBounds();
    bounds.ReadTimeout = 5s;
    bounds.MaxReplyBytes = 64 * 1024;
    LoopbackServer server(ServerScript().Flood("+OK-capabilities follow\r\n"));
    Pop3Client client(bounds);
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    EXPECT_EQ(RunProbe(client), "Reply exceeds 10000 lines or 65536 bytes.");
}

TEST(Pop3ClientTest, AResetIsASocketErrorAndNoQuitFollows) {
    LoopbackServer server(ServerScript().SendLine("+OK").ReadLine().Reset());
    Pop3Client client(ShortBounds());
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetUsername("alice");
    try {
        client.StartDialogue();
        FAIL() << "logged in";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), ECONNRESET);
    }
    EXPECT_FALSE(client.Connection().IsOpen());
    server.Finish();
    EXPECT_THAT(server.ReceivedLines(), ElementsAreArray({"USER alice"}));
}

TEST(Pop3ClientTest, UnsafeCredentialsFailBeforeAnythingIsSent) {
    struct Case {
        std::string User;
        std::string Password;
        std::string Error;
    };
    const std::vector<Case> cases = {
        {"alice\r\nDELE 1", "pw", "The user name contains a line break or NUL character."},
        {"alice", "pw\nQUIT", "The password contains a line break or NUL character."},
        {"alice", std::string("pw\0x", 4), "The password contains a line break or NUL character."},
    };
    for (const Case& c : cases) {
        LoopbackServer server(ServerScript().SendLine("+OK"));
        Pop3Client client(ShortBounds());
        client.SetHost("127.0.0.1");
        client.SetPort(server.Port());
        client.SetUsername(c.User);
        client.SetPassword(c.Password);
        EXPECT_EQ(RunProbe(client), c.Error);
        server.Finish();
        EXPECT_EQ(server.ConnectionCount(), 0u);
    }
}

TEST(Pop3ClientTest, ARefusedConnectIsASocketError) {
    kit::RefusingPort refusing;
    Pop3Client client(ShortBounds());
    client.SetHost("127.0.0.1");
    client.SetPort(refusing.Port());
    try {
        client.StartDialogue();
        FAIL() << "connected";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), ECONNREFUSED);
    }
}

TEST(Pop3ReplyCodeTest, MapsTheStatusIndicators) {
    EXPECT_EQ(Pop3ReplyCode({0, "+OK", {""}}), 1);
    EXPECT_EQ(Pop3ReplyCode({0, "+oK", {""}}), 1);
    EXPECT_EQ(Pop3ReplyCode({0, "-ERR", {""}}), 2);
    EXPECT_THROW(Pop3ReplyCode({0, "+OKA", {""}}), ProbeError);
    EXPECT_THROW(Pop3ReplyCode({0, "", {}}), ProbeError);
}

} // namespace
} // namespace velnorix
