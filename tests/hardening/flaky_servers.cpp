#include "hardening/flaky_servers.h"

#include <chrono>
#include <initializer_list>
#include <string>
#include <string_view>

namespace velnorix::kit {
namespace {

using std::chrono::milliseconds;

// A client that says nothing for this long has gone; a kept web connection waits this long
// for its next request.
constexpr milliseconds kIdleLimit{60'000};

// The bytes in three pieces a few milliseconds apart, so the client has to join them.
bool SendInPieces(Connection& connection, std::string_view bytes) {
    const std::size_t third = bytes.size() / 3;
    return connection.Send(bytes.substr(0, third)) && connection.Pause(milliseconds(5)) &&
           connection.Send(bytes.substr(third, third)) && connection.Pause(milliseconds(5)) &&
           connection.Send(bytes.substr(2 * third));
}

std::string Garbage(FlakyServers& servers) {
    std::string bytes(64, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(servers.Roll() * 2 + 31);
    return bytes;
}

// One HEAD request after another on the same connection, for as long as the answers let it
// stay open.
void ServeWeb(Connection& connection, FlakyServers& servers) {
    for (;;) {
        const auto requestLine = connection.ReadLine();
        if (!requestLine)
            return;
        for (auto line = connection.ReadLine(); line && !line->empty();
             line = connection.ReadLine()) {
        }
        const bool control = requestLine->starts_with("HEAD /ok ");
        const int roll = control ? 0 : servers.Roll();
        servers.NoteExchange(roll >= 50 && roll < 55 ? false : roll >= 40);
        if (roll < 35) {
            if (!connection.Send("HTTP/1.1 200 OK\r\nSet-Cookie: visit=" + std::to_string(roll) +
                                 "; Path=/\r\nContent-Length: 120\r\n\r\n"))
                return;
        } else if (roll < 40) {
            if (!SendInPieces(connection, "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 200 OK\r\n\r\n"))
                return;
        } else if (roll < 45) {
            connection.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!");
        } else if (roll < 50) {
            connection.Send("HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n"
                            "5\r\noops!\r\n0\r\n\r\n");
        } else if (roll < 55) {
            connection.Send("HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n");
            return connection.Close();
        } else if (roll < 60) {
            connection.Send(
                "HTTP/1.1 301 Moved\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n");
        } else if (roll < 70) {
            connection.Send("HTTP/1.1 503 Busy\r\nConnection: close\r\n\r\ncome back later");
            return connection.Close();
        } else if (roll < 78) {
            return connection.Reset();
        } else if (roll < 86) {
            return connection.Close();
        } else if (roll < 93) {
            connection.Send(Garbage(servers));
            return connection.Close();
        } else {
            connection.Send("HTTP/1.1 200 OK\r\n");
            return connection.Close();
        }
    }
}

// One reply of a mail dialogue: what a good server says, and what a refusing one says.
struct Reply {
    int FailPercent;
    std::string_view Good;
    std::string_view Refusal;
};

enum class Step { Answered, Refused, Ended };

Step Answer(Connection& connection, FlakyServers& servers, const Reply& reply) {
    const int roll = servers.Roll();
    if (roll >= reply.FailPercent)
        return connection.SendLine(reply.Good) ? Step::Answered : Step::Ended;
    switch (roll % 4) {
    case 0:
        connection.SendLine(reply.Refusal);
        return Step::Refused;
    case 1:
        connection.Reset();
        return Step::Ended;
    case 2:
        connection.Send(Garbage(servers));
        connection.Close();
        return Step::Ended;
    default:
        connection.Close();
        return Step::Ended;
    }
}

// The replies in order, each after the client's next line but the first; after a refusal, or
// the last reply, the client says QUIT and hangs up.
void PlayDialogue(Connection& connection, FlakyServers& servers,
                  std::initializer_list<Reply> replies, std::string_view bye) {
    bool first = true;
    for (const Reply& reply : replies) {
        if (!first && !connection.ReadLine())
            return servers.NoteExchange(true);
        first = false;
        const Step step = Answer(connection, servers, reply);
        if (step == Step::Ended)
            return servers.NoteExchange(true);
        if (step == Step::Refused) {
            servers.NoteExchange(true);
            break;
        }
        if (&reply == replies.end() - 1)
            servers.NoteExchange(false);
    }
    if (connection.ReadLine())
        connection.SendLine(bye);
    connection.Close();
}

void ServePop3(Connection& connection, FlakyServers& servers) {
    PlayDialogue(connection, servers,
                 {{8, "+OK POP3 ready", "-ERR busy"},
                  {5, "+OK", "-ERR who?"},
                  {10, "+OK logged in", "-ERR bad password"}},
                 "+OK bye");
}

void ServeSmtp(Connection& connection, FlakyServers& servers) {
    constexpr Reply kGreeting{8, "220-mail.test\r\n220 ESMTP ready", "554 go away"};
    if (servers.Roll() < 20) {
        // A server that does not know EHLO; HELO follows.
        PlayDialogue(connection, servers,
                     {kGreeting, {0, "500 what?", ""}, {5, "250 mail.test", "501 no"}}, "221 bye");
    } else {
        PlayDialogue(connection, servers,
                     {kGreeting, {5, "250-mail.test\r\n250-AUTH LOGIN PLAIN\r\n250 OK", "502 no"}},
                     "221 bye");
    }
}

} // namespace

FlakyServers::FlakyServers(unsigned seed)
    : m_random(seed), m_http([this](Connection& c) { ServeWeb(c, *this); }, kIdleLimit),
      m_pop3([this](Connection& c) { ServePop3(c, *this); }, kIdleLimit),
      m_smtp([this](Connection& c) { ServeSmtp(c, *this); }, kIdleLimit) {}

int FlakyServers::Roll() {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_random() % 100);
}

void FlakyServers::NoteExchange(bool misbehaved) {
    ++m_exchanges;
    if (misbehaved)
        ++m_misbehaved;
}

} // namespace velnorix::kit
