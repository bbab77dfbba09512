#include "support/loopback_server.h"

#include "support/server_state.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace velnorix::kit {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// No script waits longer than this for a client, so a broken test cannot hang the suite.
constexpr milliseconds kScriptPatience{20'000};
// Once the test has finished with the client, a connection still waiting gives up after this.
constexpr milliseconds kFinishGrace{200};

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Binds to `*port` of the loopback address of `family`, or to an ephemeral one when it is 0,
// and tells which.
FileDescriptor LoopbackSocket(std::uint16_t* port, LoopbackFamily family = LoopbackFamily::Ipv4) {
    const bool ipv6 = family == LoopbackFamily::Ipv6;
    FileDescriptor socket(::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsValid())
        ThrowSystemError("socket");
    // A fixed port is free again at once after an earlier server's connections ended; one
    // another program listens on stays taken.
    const int reuse = 1;
    if (*port != 0 &&
        ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0)
        ThrowSystemError("setsockopt");
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (ipv6) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        address.sin6_port = htons(*port);
        std::memcpy(&storage, &address, length = sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(*port);
        std::memcpy(&storage, &address, length = sizeof address);
    }
    auto* raw = reinterpret_cast<sockaddr*>(&storage);
    if (::bind(socket.Get(), raw, length) != 0)
        ThrowSystemError("bind");
    if (::getsockname(socket.Get(), raw, &length) != 0)
        ThrowSystemError("getsockname");
    // The port sits at the same place in both families' addresses.
    *port = ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
    return socket;
}

void ConnectTo(int fd, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS)
        ThrowSystemError("connect");
}

} // namespace

// The listener and its connections' threads. Scripted servers record what each connection
// received; servers with a handler serve without end and record nothing.
class ServerState final {
public:
    ServerState(std::vector<ServerScript> scripts, LoopbackServer::Handler handler,
                milliseconds patience, std::uint16_t port = 0,
                LoopbackFamily family = LoopbackFamily::Ipv4)
        : m_scripts(std::move(scripts)), m_handler(std::move(handler)), m_patience(patience),
          m_port(port) {
        m_listener = LoopbackSocket(&m_port, family);
        // A cycle may connect up to 64 probes at once: a short queue would drop their SYNs,
        // and the retries would run into the probes' connect time-outs.
        if (::listen(m_listener.Get(), SOMAXCONN) != 0)
            ThrowSystemError("listen");
        int wake[2];
        if (::pipe2(wake, O_CLOEXEC) != 0)
            ThrowSystemError("pipe2");
        m_wakeRead = FileDescriptor(wake[0]);
        m_wakeWrite = FileDescriptor(wake[1]);
        m_accepter = std::thread([this] { AcceptConnections(); });
    }

    ~ServerState() { Stop(); }
    ServerState(const ServerState&) = delete;
    ServerState& operator=(const ServerState&) = delete;

    void Finish() {
        m_finishing = true;
        Wake();
        JoinAll();
    }

    // Waits until every connection accepted so far has been served and its thread has ended,
    // so nothing the connections allocated is still alive.
    void JoinServed() {
        {
            std::unique_lock lock(m_sessionMutex);
            m_sessionDone.wait(lock, [this] {
                return std::all_of(m_sessions.begin(), m_sessions.end(),
                                   [](const Session& session) { return session.Done; });
            });
        }
        ReapFinished();
    }

    void Stop() {
        m_stopping = true;
        Wake();
        JoinAll();
    }

    std::uint16_t Port() const { return m_port; }

    std::size_t ConnectionCount() const { return m_accepted; }

    std::string Received(std::size_t index) const {
        const std::lock_guard lock(m_mutex);
        return m_received.at(index);
    }

    std::vector<std::string> Mismatches() const {
        const std::lock_guard lock(m_mutex);
        return m_mismatches;
    }

    // Waits until `fd` is ready; false when the server stops, the test has finished with the
    // client and nothing comes within the grace, or the patience ran out.
    bool WaitFor(int fd, short events) {
        const auto giveUp = steady_clock::now() + m_patience;
        for (;;) {
            if (m_stopping)
                return false;
            if (m_finishing) {
                pollfd entry{fd, events, 0};
                return ::poll(&entry, 1, static_cast<int>(kFinishGrace.count())) > 0;
            }
            pollfd entries[2] = {{fd, events, 0}, {m_wakeRead.Get(), POLLIN, 0}};
            const auto left =
                std::chrono::duration_cast<milliseconds>(giveUp - steady_clock::now()).count();
            if (left <= 0)
                return false;
            const int ready = ::poll(entries, 2, static_cast<int>(left));
            if (ready < 0 && errno != EINTR)
                return false;
            if (ready > 0 && entries[0].revents != 0)
                return true;
        }
    }

    // Sleeps for `duration`; false when the server stops meanwhile.
    bool Sleep(milliseconds duration) {
        pollfd entry{m_wakeRead.Get(), POLLIN, 0};
        if (!m_finishing)
            ::poll(&entry, 1, static_cast<int>(duration.count()));
        return !m_stopping;
    }

    void Record(std::size_t index, std::string_view bytes) {
        if (m_handler)
            return;
        const std::lock_guard lock(m_mutex);
        m_received[index] += bytes;
    }

    void NoteMismatch(std::string text) {
        const std::lock_guard lock(m_mutex);
        m_mismatches.push_back(std::move(text));
    }

private:
    struct Session {
        std::thread Thread;
        bool Done = false; // under m_sessionMutex
    };

    void AcceptConnections() {
        for (std::size_t index = 0; m_handler || index < m_scripts.size(); ++index) {
            if (!AwaitClient())
                return;
            FileDescriptor socket(
                ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!socket.IsValid())
                return;
            if (!m_handler) {
                const std::lock_guard lock(m_mutex);
                m_received.emplace_back();
            }
            ++m_accepted;
            ReapFinished();
            const std::lock_guard lock(m_sessionMutex);
            auto& session = m_sessions.emplace_back();
            session.Thread = std::thread([this, &session, index, s = std::move(socket)]() mutable {
                {
                    Connection connection(*this, index, std::move(s));
                    if (m_handler)
                        m_handler(connection);
                    else
                        m_scripts[index].Play(connection);
                }
                // The connection and all it held are gone before anyone is told it is served.
                const std::lock_guard sessionLock(m_sessionMutex);
                session.Done = true;
                m_sessionDone.notify_all();
            });
        }
    }

    // A scripted server gives up on a client that does not come; one with a handler waits
    // until it stops or finishes.
    bool AwaitClient() {
        while (!WaitFor(m_listener.Get(), POLLIN)) {
            if (!m_handler || m_stopping || m_finishing)
                return false;
        }
        return true;
    }

    // A server that serves for hours must not pile up finished threads.
    void ReapFinished() {
        std::list<Session> finished;
        {
            const std::lock_guard lock(m_sessionMutex);
            for (auto session = m_sessions.begin(); session != m_sessions.end();) {
                const auto next = std::next(session);
                if (session->Done)
                    finished.splice(finished.end(), m_sessions, session);
                session = next;
            }
        }
        for (Session& session : finished)
            session.Thread.join();
    }

    void Wake() {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeWrite.Get(), &byte, 1);
    }

    void JoinAll() {
        const std::lock_guard lock(m_joinMutex);
        if (m_accepter.joinable())
            m_accepter.join();
        // Sessions take the lock as they end, so they are joined outside it.
        std::list<Session> sessions;
        {
            const std::lock_guard sessionLock(m_sessionMutex);
            sessions.splice(sessions.end(), m_sessions);
        }
        for (Session& session : sessions) {
            if (session.Thread.joinable())
                session.Thread.join();
        }
    }

    const std::vector<ServerScript> m_scripts;
    const LoopbackServer::Handler m_handler;
    const milliseconds m_patience;
    FileDescriptor m_listener;
    std::uint16_t m_port = 0;
    FileDescriptor m_wakeRead;
    FileDescriptor m_wakeWrite;
    std::atomic<bool> m_finishing{false};
    std::atomic<bool> m_stopping{false};
    std::atomic<std::size_t> m_accepted{0};
    std::thread m_accepter;
    // A list, so a session's own thread can keep a reference to its entry.
    std::list<Session> m_sessions;
    std::mutex m_sessionMutex;
    std::condition_variable m_sessionDone;
    std::mutex m_joinMutex;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_received;
    std::vector<std::string> m_mismatches;
};

bool WaitFor(ServerState& server, int fd, short events) {
    return server.WaitFor(fd, events);
}

bool Sleep(ServerState& server, milliseconds duration) {
    return server.Sleep(duration);
}

void Record(ServerState& server, std::size_t index, std::string_view bytes) {
    server.Record(index, bytes);
}

void NoteMismatch(ServerState& server, std::string text) {
    server.NoteMismatch(std::move(text));
}
LoopbackServer::LoopbackServer(ServerScript script, LoopbackFamily family)
    : LoopbackServer(std::vector<ServerScript>{std::move(script)}, family) {}

LoopbackServer::LoopbackServer(std::vector<ServerScript> scripts, LoopbackFamily family)
    : m_state(
          std::make_shared<ServerState>(std::move(scripts), nullptr, kScriptPatience, 0, family)) {}

LoopbackServer::LoopbackServer(Handler handler, milliseconds patience, std::uint16_t port,
                               LoopbackFamily family)
    : m_state(std::make_shared<ServerState>(std::vector<ServerScript>{}, std::move(handler),
                                            patience, port, family)) {}

LoopbackServer::~LoopbackServer() = default;

std::uint16_t LoopbackServer::Port() const {
    return m_state->Port();
}

void LoopbackServer::Finish() {
    m_state->Finish();
}

void LoopbackServer::JoinServed() {
    m_state->JoinServed();
}

std::size_t LoopbackServer::ConnectionCount() const {
    return m_state->ConnectionCount();
}

std::string LoopbackServer::Received(std::size_t index) const {
    return m_state->Received(index);
}

std::vector<std::string> LoopbackServer::ReceivedLines(std::size_t index) const {
    const std::string bytes = Received(index);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool complete = end != std::string::npos;
        if (!complete)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (complete && !line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = complete ? end + 1 : end;
    }
    return lines;
}

std::vector<std::string> LoopbackServer::Mismatches() const {
    return m_state->Mismatches();
}

RefusingPort::RefusingPort(LoopbackFamily family) {
    m_socket = LoopbackSocket(&m_port, family);
}

bool Ipv6LoopbackWorks() {
    try {
        const RefusingPort port(LoopbackFamily::Ipv6);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

UnansweredListener::UnansweredListener() {
    m_listener = LoopbackSocket(&m_port);
    if (::listen(m_listener.Get(), 0) != 0)
        ThrowSystemError("listen");
    // A backlog of 0 still queues a connection or two; fill it so the next SYN is dropped.
    for (int i = 0; i < 4; ++i) {
        FileDescriptor filler(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ConnectTo(filler.Get(), m_port);
        m_fillers.push_back(std::move(filler));
    }
}

} // namespace velnorix::kit
