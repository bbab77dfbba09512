#include "hardening/flaky_servers.h"

#include "base/file_descriptor.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <initializer_list>
#include <list>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace velnorix::testing {
namespace {

using std::chrono::milliseconds;

// A client that says nothing for this long has gone; a kept web connection waits this long
// for its next request.
constexpr milliseconds kIdleLimit{60'000};

// One accepted connection. Every wait also watches the stop pipe.
class Session final {
public:
    Session(FileDescriptor socket, int stopFd) : m_socket(std::move(socket)), m_stopFd(stopFd) {
        const int on = 1;
        ::setsockopt(m_socket.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }

    // The next line without its line end; nothing when the client closed or went quiet.
    std::optional<std::string> ReadLine() {
        for (;;) {
            const std::size_t lineFeed = m_pending.find('\n');
            if (lineFeed != std::string::npos) {
                std::string line = m_pending.substr(0, lineFeed);
                m_pending.erase(0, lineFeed + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                return line;
            }
            if (!Wait(POLLIN, kIdleLimit))
                return std::nullopt;
            char buffer[4096];
            const ssize_t n = ::recv(m_socket.Get(), buffer, sizeof buffer, 0);
            if (n <= 0)
                return std::nullopt;
            m_pending.append(buffer, static_cast<std::size_t>(n));
        }
    }

    bool Send(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(m_socket.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    bool SendLine(std::string_view text) { return Send(std::string(text) + "\r\n"); }

    // The bytes in three pieces a few milliseconds apart, so the client has to join them.
    bool SendInPieces(std::string_view bytes) {
        const std::size_t third = bytes.size() / 3;
        return Send(bytes.substr(0, third)) && Pause(milliseconds(5)) &&
               Send(bytes.substr(third, third)) && Pause(milliseconds(5)) &&
               Send(bytes.substr(2 * third));
    }

    void Reset() {
        const linger abort{1, 0};
        ::setsockopt(m_socket.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        m_socket.Close();
    }

    // Ends the server's side and waits for the client to close its own.
    void Close() {
        ::shutdown(m_socket.Get(), SHUT_WR);
        while (ReadLine()) {
        }
    }

private:
    bool Pause(milliseconds duration) { return !Wait(0, duration) && !Stopping(); }

    bool Stopping() const {
        pollfd stop{m_stopFd, POLLIN, 0};
        return ::poll(&stop, 1, 0) > 0;
    }

    // True when the socket is ready for `events`; false on stop or after `limit`.
    bool Wait(short events, milliseconds limit) {
        pollfd entries[2] = {{m_socket.Get(), events, 0}, {m_stopFd, POLLIN, 0}};
        for (;;) {
            const int ready = ::poll(entries, 2, static_cast<int>(limit.count()));
            if (ready < 0 && errno == EINTR)
                continue;
            return ready > 0 && entries[0].revents != 0 && entries[1].revents == 0;
        }
    }

    FileDescriptor m_socket;
    int m_stopFd;
    std::string m_pending;
};

std::string Garbage(FlakyServers& servers) {
    std::string bytes(64, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(servers.Roll() * 2 + 31);
    return bytes;
}

// One HEAD request after another on the same connection, for as long as the answers let it
// stay open.
void ServeWeb(Session& session, FlakyServers& servers) {
    for (;;) {
        const auto requestLine = session.ReadLine();
        if (!requestLine)
            return;
        for (auto line = session.ReadLine(); line && !line->empty(); line = session.ReadLine()) {
        }
        const bool control = requestLine->starts_with("HEAD /ok ");
        const int roll = control ? 0 : servers.Roll();
        servers.NoteExchange(roll >= 50 && roll < 55 ? false : roll >= 40);
        if (roll < 35) {
            if (!session.Send("HTTP/1.1 200 OK\r\nSet-Cookie: visit=" + std::to_string(roll) +
                              "; Path=/\r\nContent-Length: 120\r\n\r\n"))
                return;
        } else if (roll < 40) {
            if (!session.SendInPieces("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 200 OK\r\n\r\n"))
                return;
        } else if (roll < 45) {
            session.Send("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!");
        } else if (roll < 50) {
            session.Send("HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n"
                         "5\r\noops!\r\n0\r\n\r\n");
        } else if (roll < 55) {
            session.Send("HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n");
            return session.Close();
        } else if (roll < 60) {
            session.Send("HTTP/1.1 301 Moved\r\nLocation: /elsewhere\r\nContent-Length: 0\r\n\r\n");
        } else if (roll < 70) {
            session.Send("HTTP/1.1 503 Busy\r\nConnection: close\r\n\r\ncome back later");
            return session.Close();
        } else if (roll < 78) {
            return session.Reset();
        } else if (roll < 86) {
            return session.Close();
        } else if (roll < 93) {
            session.Send(Garbage(servers));
            return session.Close();
        } else {
            session.Send("HTTP/1.1 200 OK\r\n");
            return session.Close();
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

Step Answer(Session& session, FlakyServers& servers, const Reply& reply) {
    const int roll = servers.Roll();
    if (roll >= reply.FailPercent)
        return session.SendLine(reply.Good) ? Step::Answered : Step::Ended;
    switch (roll % 4) {
    case 0:
        session.SendLine(reply.Refusal);
        return Step::Refused;
    case 1:
        session.Reset();
        return Step::Ended;
    case 2:
        session.Send(Garbage(servers));
        session.Close();
        return Step::Ended;
    default:
        session.Close();
        return Step::Ended;
    }
}

// The replies in order, each after the client's next line but the first; after a refusal, or
// the last reply, the client says QUIT and hangs up.
void PlayDialogue(Session& session, FlakyServers& servers, std::initializer_list<Reply> replies,
                  std::string_view bye) {
    bool first = true;
    for (const Reply& reply : replies) {
        if (!first && !session.ReadLine())
            return servers.NoteExchange(true);
        first = false;
        const Step step = Answer(session, servers, reply);
        if (step == Step::Ended)
            return servers.NoteExchange(true);
        if (step == Step::Refused) {
            servers.NoteExchange(true);
            break;
        }
        if (&reply == replies.end() - 1)
            servers.NoteExchange(false);
    }
    if (session.ReadLine())
        session.SendLine(bye);
    session.Close();
}

void ServePop3(Session& session, FlakyServers& servers) {
    PlayDialogue(session, servers,
                 {{8, "+OK POP3 ready", "-ERR busy"},
                  {5, "+OK", "-ERR who?"},
                  {10, "+OK logged in", "-ERR bad password"}},
                 "+OK bye");
}

void ServeSmtp(Session& session, FlakyServers& servers) {
    constexpr Reply kGreeting{8, "220-mail.test\r\n220 ESMTP ready", "554 go away"};
    if (servers.Roll() < 20) {
        // A server that does not know EHLO; HELO follows.
        PlayDialogue(session, servers,
                     {kGreeting, {0, "500 what?", ""}, {5, "250 mail.test", "501 no"}}, "221 bye");
    } else {
        PlayDialogue(session, servers,
                     {kGreeting, {5, "250-mail.test\r\n250-AUTH LOGIN PLAIN\r\n250 OK", "502 no"}},
                     "221 bye");
    }
}

} // namespace

// A listening socket whose connections are each served on a thread of their own.
class FlakyServers::Listener final {
public:
    using Serve = std::function<void(Session&, FlakyServers&)>;

    Listener(FlakyServers& servers, Serve serve) : m_servers(servers), m_serve(std::move(serve)) {
        m_socket = FileDescriptor(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int stop[2];
        if (!m_socket.IsValid() ||
            ::bind(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
                0 ||
            ::listen(m_socket.Get(), 16) != 0 ||
            ::getsockname(m_socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ::pipe2(stop, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        m_port = ntohs(address.sin_port);
        m_stopRead = FileDescriptor(stop[0]);
        m_stopWrite = FileDescriptor(stop[1]);
        m_accepter = std::thread([this] { Accept(); });
    }

    ~Listener() {
        const char byte = 0;
        [[maybe_unused]] const auto written = ::write(m_stopWrite.Get(), &byte, 1);
        m_accepter.join();
        for (Worker& worker : m_workers)
            worker.Thread.join();
    }

    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    struct Worker {
        std::thread Thread;
        std::shared_ptr<std::atomic<bool>> Done;
    };

    void Accept() {
        for (;;) {
            pollfd entries[2] = {{m_socket.Get(), POLLIN, 0}, {m_stopRead.Get(), POLLIN, 0}};
            if (::poll(entries, 2, -1) < 0 && errno != EINTR)
                return;
            if (entries[1].revents != 0)
                return;
            if (entries[0].revents == 0)
                continue;
            FileDescriptor socket(::accept4(m_socket.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (!socket.IsValid())
                continue;
            ReapFinished();
            auto done = std::make_shared<std::atomic<bool>>(false);
            m_workers.push_back({std::thread([this, done, s = std::move(socket)]() mutable {
                                     Session session(std::move(s), m_stopRead.Get());
                                     m_serve(session, m_servers);
                                     *done = true;
                                 }),
                                 done});
        }
    }

    // Over thousands of cycles the finished threads must not pile up.
    void ReapFinished() {
        for (auto worker = m_workers.begin(); worker != m_workers.end();) {
            if (*worker->Done) {
                worker->Thread.join();
                worker = m_workers.erase(worker);
            } else {
                ++worker;
            }
        }
    }

    FlakyServers& m_servers;
    Serve m_serve;
    FileDescriptor m_socket;
    FileDescriptor m_stopRead;
    FileDescriptor m_stopWrite;
    std::uint16_t m_port = 0;
    std::thread m_accepter;
    std::list<Worker> m_workers;
};

FlakyServers::FlakyServers(unsigned seed)
    : m_random(seed), m_http(std::make_unique<Listener>(*this, ServeWeb)),
      m_pop3(std::make_unique<Listener>(*this, ServePop3)),
      m_smtp(std::make_unique<Listener>(*this, ServeSmtp)) {}

FlakyServers::~FlakyServers() = default;

std::uint16_t FlakyServers::HttpPort() const {
    return m_http->Port();
}

std::uint16_t FlakyServers::Pop3Port() const {
    return m_pop3->Port();
}

std::uint16_t FlakyServers::SmtpPort() const {
    return m_smtp->Port();
}

int FlakyServers::Roll() {
    const std::lock_guard lock(m_mutex);
    return static_cast<int>(m_random() % 100);
}

void FlakyServers::NoteExchange(bool misbehaved) {
    ++m_exchanges;
    if (misbehaved)
        ++m_misbehaved;
}

} // namespace velnorix::testing
