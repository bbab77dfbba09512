#include "probes/probe_errors.h"
#include "probes/tcp_connection.h"
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
using testing::ElementsAre;
using testing::IsEmpty;

class TcpConnectionTest : public testing::Test {
protected:
    void Connect(const LoopbackServer& server) {
        m_connection.SetHost("127.0.0.1");
        m_connection.SetPort(server.Port());
        m_connection.OpenConnection();
    }

    // Runs `action`, which must throw an error of type E, and returns its text.
    template <typename E, typename F>
    static std::string ErrorOf(F&& action) {
        try {
            action();
        } catch (const E& error) {
            return error.what();
        }
        ADD_FAILURE() << "no error of the expected type";
        return {};
    }

    TcpConnection m_connection{ShortBounds()};
};

TEST_F(TcpConnectionTest, WritesLinesAndReadsThemWhateverTheirLineEnd) {
    LoopbackServer server(
        ServerScript().ExpectLine("HELLO there").Send("one\r\ntwo\nthree\r\n").ExpectLine("BYE"));
    Connect(server);
    EXPECT_TRUE(m_connection.IsOpen());
    m_connection.WriteLine("HELLO there");
    EXPECT_EQ(m_connection.ReadLine(), "one");
    EXPECT_EQ(m_connection.ReadLine(), "two");
    EXPECT_EQ(m_connection.ReadLine(), "three");
    m_connection.WriteLine("BYE");
    m_connection.CloseConnection();
    EXPECT_FALSE(m_connection.IsOpen());
    EXPECT_TRUE(m_connection.ClosedGracefully());
    server.Finish();
    EXPECT_EQ(server.Received(), "HELLO there\r\nBYE\r\n");
    EXPECT_THAT(server.Mismatches(), IsEmpty());
}

TEST_F(TcpConnectionTest, ReadsAMultiLineReplySentOneByteAtATime) {
    LoopbackServer server(
        ServerScript().Trickle("\r\n\r\n250-first\r\n250-second\r\n250 last\r\n"));
    Connect(server);
    EXPECT_EQ(m_connection.ReadReply({250}), 250);
    EXPECT_EQ(m_connection.LastReply().TextCode, "250");
    EXPECT_THAT(m_connection.LastReply().Text, ElementsAre("first", "second", "last"));
}

TEST_F(TcpConnectionTest, SendCommandRefusesACodeThatIsNotAccepted) {
    LoopbackServer server(ServerScript().ExpectLine("NOOP").SendLine("554 no service here"));
    Connect(server);
    try {
        m_connection.SendCommand("NOOP", {220});
        FAIL() << "code accepted";
    } catch (const ReplyError& error) {
        EXPECT_EQ(error.Code(), 554);
        EXPECT_EQ(error.ReplyText(), "no service here");
    }
    EXPECT_EQ(m_connection.LastReply().NumericCode, 554);
    m_connection.CloseConnection();
    server.Finish();
    EXPECT_THAT(server.Mismatches(), IsEmpty());
}

TEST_F(TcpConnectionTest, AnEmptyListOfCodesAcceptsBinaryGarbage) {
    LoopbackServer server(ServerScript().Send(std::string("\0\x01\xff\xfe\x80 junk\r\n", 12)));
    Connect(server);
    EXPECT_EQ(m_connection.ReadReply(), 0);
    EXPECT_EQ(m_connection.LastReply().Text.size(), 1u);
}

TEST_F(TcpConnectionTest, EnforcesTheLineLimitExactlyAtItsBoundary) {
    const std::string longest(kMaxLineLength, 'x');
    struct Case {
        std::string Wire;
        bool Accepted;
    };
    const std::vector<Case> cases = {
        {longest + "\n", true},
        {longest + "\r\n", false},
        {longest + "x\n", false},
        {longest + "x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Wire.size());
        LoopbackServer server(ServerScript().Send(c.Wire).Silence());
        TcpConnection connection(ShortBounds());
        connection.SetHost("localhost");
        connection.SetPort(server.Port());
        connection.OpenConnection();
        if (c.Accepted) {
            EXPECT_EQ(connection.ReadLine(), longest);
        } else {
            EXPECT_EQ(ErrorOf<ProbeError>([&] { connection.ReadLine(); }),
                      "Max line length exceeded.");
        }
    }
}

TEST_F(TcpConnectionTest, APeerThatClosesWithoutSendingEndsTheRead) {
    LoopbackServer server(ServerScript().Close());
    Connect(server);
    EXPECT_EQ(ErrorOf<ConnectionClosedError>([&] { m_connection.ReadReply({220}); }),
              "Connection Closed Gracefully.");
    EXPECT_TRUE(m_connection.ClosedGracefully());
    EXPECT_FALSE(m_connection.IsOpen());
    // The socket was closed by IsOpen, so a new connection can be opened on the object.
    LoopbackServer second(ServerScript().SendLine("220 again"));
    Connect(second);
    EXPECT_EQ(m_connection.ReadReply({220}), 220);
}

TEST_F(TcpConnectionTest, APartialLineBeforeTheCloseIsNotALine) {
    LoopbackServer server(ServerScript().Send("220 unfinished").Close());
    Connect(server);
    EXPECT_THROW(m_connection.ReadLine(), ConnectionClosedError);
    EXPECT_THROW(m_connection.ReadLine(), ConnectionClosedError);
}

TEST_F(TcpConnectionTest, AResetIsASocketErrorAfterTheBufferedLines) {
    LoopbackServer server(ServerScript().Send("one\r\ntwo\r\n").Pause(100ms).Reset());
    Connect(server);
    EXPECT_EQ(m_connection.ReadLine(), "one");
    EXPECT_EQ(m_connection.ReadLine(), "two");
    try {
        m_connection.ReadLine(2s);
        FAIL() << "no error";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), ECONNRESET);
    }
    EXPECT_FALSE(m_connection.IsOpen());
    EXPECT_THROW(m_connection.ReadLine(), SocketError);
}

TEST_F(TcpConnectionTest, ASilentPeerRunsIntoTheReadTimeout) {
    LoopbackServer server(ServerScript().Silence());
    Connect(server);
    EXPECT_EQ(ErrorOf<ReadTimeoutError>([&] { m_connection.ReadReply(); }), "Read Timeout");
    // A reply that trickles in slower than the time-out allows is not waited for either.
    LoopbackServer slow(ServerScript().Trickle("220 slow greeting\r\n", 40ms));
    TcpConnection connection(ShortBounds());
    connection.SetHost("127.0.0.1");
    connection.SetPort(slow.Port());
    connection.OpenConnection();
    EXPECT_THROW(connection.ReadReply(), ReadTimeoutError);
}

TEST_F(TcpConnectionTest, AnEndlessReplyHitsTheCapInsteadOfGrowingMemory) {
    ConnectionBounds bounds = ShortBounds();
    bounds.MaxReplyLines = 500;
    bounds.ReadTimeout = 5s;
    m_connection.SetBounds(bounds);
    LoopbackServer server(ServerScript().Flood("250-more of the same\r\n"));
    Connect(server);
    EXPECT_EQ(ErrorOf<ProbeError>([&] { m_connection.ReadReply({250}); }),
              "Reply exceeds 500 lines or 1048576 bytes.");

    LoopbackServer endlessLine(ServerScript().Flood(std::string(1000, 'z')));
    TcpConnection connection(bounds);
    connection.SetHost("127.0.0.1");
    connection.SetPort(endlessLine.Port());
    connection.OpenConnection();
    EXPECT_EQ(ErrorOf<ProbeError>([&] { connection.ReadLine(); }), "Max line length exceeded.");
}

TEST_F(TcpConnectionTest, OpeningTwiceLeavesTheOpenSocketAlone) {
    LoopbackServer server(ServerScript().ExpectLine("still here").SendLine("ok"));
    Connect(server);
    EXPECT_EQ(ErrorOf<ProbeError>([&] { m_connection.OpenConnection(); }), "Already connected.");
    EXPECT_TRUE(m_connection.IsOpen());
    m_connection.WriteLine("still here");
    EXPECT_EQ(m_connection.ReadLine(), "ok");
    m_connection.CloseConnection();
    server.Finish();
    EXPECT_EQ(server.ConnectionCount(), 1u);
    EXPECT_THAT(server.Mismatches(), IsEmpty());
}

TEST_F(TcpConnectionTest, ConnectFailuresAreSocketErrorsAndLeaveNothingOpen) {
    kit::RefusingPort refusing;
    m_connection.SetHost("127.0.0.1");
    m_connection.SetPort(refusing.Port());
    try {
        m_connection.OpenConnection();
        FAIL() << "connected";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), ECONNREFUSED);
    }
    EXPECT_FALSE(m_connection.IsOpen());

    kit::UnansweredListener unanswered;
    m_connection.SetPort(unanswered.Port());
    try {
        m_connection.OpenConnection();
        FAIL() << "connected";
    } catch (const SocketError& error) {
        EXPECT_EQ(error.ErrorCode(), ETIMEDOUT);
    }
    EXPECT_FALSE(m_connection.IsOpen());
}

TEST_F(TcpConnectionTest, HostsAreResolvedThroughTheInjectedResolver) {
    LoopbackServer server(ServerScript().SendLine("+OK hi"));
    std::vector<std::string> asked;
    m_connection.SetResolver([&](const std::string& host, const Deadline&) {
        asked.push_back(host);
        return std::vector<std::string>{"127.0.0.1"};
    });
    m_connection.SetHost("mail.example");
    m_connection.SetPort(server.Port());
    m_connection.OpenConnection();
    EXPECT_EQ(m_connection.ReadLine(), "+OK hi");
    EXPECT_THAT(asked, ElementsAre("mail.example"));

    m_connection.CloseConnection();
    m_connection.SetResolver([](const std::string&, const Deadline&) -> std::vector<std::string> {
        throw SocketError(-2, "Name not known");
    });
    m_connection.SetHost("nowhere.example");
    EXPECT_THROW(m_connection.OpenConnection(), SocketError);
    EXPECT_FALSE(m_connection.IsOpen());
}

TEST_F(TcpConnectionTest, RefusesUnsafeHostsAndPortsBeforeConnecting) {
    m_connection.SetResolver([](const std::string&, const Deadline&) -> std::vector<std::string> {
        ADD_FAILURE() << "looked up";
        return {"127.0.0.1"};
    });
    for (const std::string& host : {std::string("mail\r\nQUIT"), std::string("a\0b", 3)}) {
        m_connection.SetHost(host);
        m_connection.SetPort(25);
        EXPECT_EQ(ErrorOf<ProbeError>([&] { m_connection.OpenConnection(); }),
                  "The host name contains a line break or NUL character.");
    }
    m_connection.SetHost("127.0.0.1");
    for (const int port : {-1, 65536}) {
        m_connection.SetPort(port);
        EXPECT_THROW(m_connection.OpenConnection(), ProbeError);
    }
    EXPECT_FALSE(m_connection.IsOpen());
}

TEST_F(TcpConnectionTest, WritingOrReadingWithoutAConnection) {
    EXPECT_EQ(ErrorOf<ProbeError>([&] { m_connection.WriteLine("QUIT"); }), "Not Connected");
    EXPECT_EQ(ErrorOf<ProbeError>([&] { m_connection.ReadLine(); }), "Not Connected");
    EXPECT_FALSE(m_connection.IsOpen());
    m_connection.CloseConnection();
    EXPECT_FALSE(m_connection.ClosedGracefully());
}

TEST_F(TcpConnectionTest, ReadsBlocksOfBytesAndUntilTheClose) {
    LoopbackServer server(
        ServerScript().Send("HEAD\r\nbody-bytes").Trickle("tail").Send("rest of it").Close());
    Connect(server);
    EXPECT_EQ(m_connection.ReadLine(), "HEAD");
    EXPECT_EQ(m_connection.ReadBytes(10, 1s), "body-bytes");
    EXPECT_EQ(m_connection.ReadBytes(4, 1s), "tail");
    EXPECT_EQ(m_connection.ReadUntilClose(1s), "rest of it");
    EXPECT_TRUE(m_connection.ClosedGracefully());
    EXPECT_EQ(m_connection.ReadAvailable(1s), "");
    EXPECT_THROW(m_connection.ReadBytes(1, 1s), ConnectionClosedError);
}

TEST_F(TcpConnectionTest, BlockReadsAreBoundedInTimeAndSize) {
    ConnectionBounds bounds = ShortBounds();
    bounds.MaxReplyBytes = 4096;
    m_connection.SetBounds(bounds);
    LoopbackServer server(ServerScript().Send("12345").Silence());
    Connect(server);
    EXPECT_THROW(m_connection.ReadBytes(4097, 1s), ProbeError);
    EXPECT_THROW(m_connection.ReadBytes(10, 100ms), ReadTimeoutError);
    EXPECT_EQ(m_connection.ReadAvailable(100ms), "12345");
    EXPECT_THROW(m_connection.ReadAvailable(100ms), ReadTimeoutError);
    EXPECT_THROW(m_connection.ReadUntilClose(100ms), ReadTimeoutError);

    LoopbackServer flood(ServerScript().Flood(std::string(1000, 'b')));
    TcpConnection connection(bounds);
    connection.SetHost("127.0.0.1");
    connection.SetPort(flood.Port());
    connection.OpenConnection();
    EXPECT_EQ(ErrorOf<ProbeError>([&] { connection.ReadUntilClose(5s); }),
              "Reply exceeds 4096 bytes.");
}

} // namespace
} // namespace velnorix
