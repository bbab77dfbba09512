#pragma once

// The listener of a LoopbackServer and its connections' threads, shared by the server and the
// connections it serves; only the loopback server's own sources include it.

#include "support/loopback_server.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <list>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace velnorix::kit {

[[noreturn]] void ThrowSystemError(const char* what);

// Binds to `*port` of the loopback address of `family`, or to an ephemeral one when it is 0,
// and tells which.
FileDescriptor LoopbackSocket(std::uint16_t* port, LoopbackFamily family = LoopbackFamily::Ipv4);

// The listener and its connections' threads. Scripted servers record what each connection
// received; servers with a handler serve without end and record nothing.
class ServerState final {
public:
    using milliseconds = std::chrono::milliseconds;
    using steady_clock = std::chrono::steady_clock;

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
    // Once the test has finished with the client, a connection still waiting gives up after
    // this.
    static constexpr milliseconds kFinishGrace{200};

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

} // namespace velnorix::kit
