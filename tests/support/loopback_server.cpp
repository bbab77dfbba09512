#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace velnorix::testing {

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// No script waits longer than this for a client, so a broken test cannot hang the suite.
constexpr milliseconds kSafetyTimeout{20'000};
// Once the test has finished with the client, a script still waiting gives up after this.
constexpr milliseconds kFinishGrace{200};

enum class StepKind { Send, Trickle, ExpectLine, ReadLine, Pause, Close, Reset, Silence, Flood };

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

FileDescriptor LoopbackSocket(std::uint16_t* port) {
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsValid())
        ThrowSystemError("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        ThrowSystemError("bind");
    socklen_t length = sizeof address;
    if (::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        ThrowSystemError("getsockname");
    *port = ntohs(address.sin_port);
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

struct ServerScript::Step {
    StepKind Kind;
    std::string Bytes;
    milliseconds Duration{0};
};

namespace {

std::shared_ptr<const ServerScript::Step> MakeStep(StepKind kind, std::string bytes = {},
                                                   milliseconds duration = milliseconds(0)) {
    return std::make_shared<const ServerScript::Step>(
        ServerScript::Step{kind, std::move(bytes), duration});
}

} // namespace

ServerScript& ServerScript::Send(std::string bytes) {
    m_steps.push_back(MakeStep(StepKind::Send, std::move(bytes)));
    return *this;
}

ServerScript& ServerScript::SendLine(std::string_view text) {
    return Send(std::string(text) + "\r\n");
}

ServerScript& ServerScript::Trickle(std::string bytes, milliseconds gap) {
    m_steps.push_back(MakeStep(StepKind::Trickle, std::move(bytes), gap));
    return *this;
}

ServerScript& ServerScript::ExpectLine(std::string expected) {
    m_steps.push_back(MakeStep(StepKind::ExpectLine, std::move(expected)));
    return *this;
}

ServerScript& ServerScript::ReadLine() {
    m_steps.push_back(MakeStep(StepKind::ReadLine));
    return *this;
}

ServerScript& ServerScript::Pause(milliseconds duration) {
    m_steps.push_back(MakeStep(StepKind::Pause, {}, duration));
    return *this;
}

ServerScript& ServerScript::Close() {
    m_steps.push_back(MakeStep(StepKind::Close));
    return *this;
}

ServerScript& ServerScript::Reset() {
    m_steps.push_back(MakeStep(StepKind::Reset));
    return *this;
}

ServerScript& ServerScript::Silence() {
    m_steps.push_back(MakeStep(StepKind::Silence));
    return *this;
}

ServerScript& ServerScript::Flood(std::string chunk) {
    m_steps.push_back(MakeStep(StepKind::Flood, std::move(chunk)));
    return *this;
}

class LoopbackServer::State {
public:
    explicit State(std::vector<ServerScript> scripts) : m_scripts(std::move(scripts)) {
        m_listener = LoopbackSocket(&m_port);
        if (::listen(m_listener.Get(), 16) != 0)
            ThrowSystemError("listen");
        int wake[2];
        if (::pipe2(wake, O_CLOEXEC) != 0)
            ThrowSystemError("pipe2");
        m_wakeRead = FileDescriptor(wake[0]);
        m_wakeWrite = FileDescriptor(wake[1]);
        m_accepter = std::thread([this] { AcceptConnections(); });
    }

    ~State() { Stop(); }

    void Finish() {
        m_finishing = true;
        Wake();
        JoinAll();
    }

    void Stop() {
        m_stopping = true;
        Wake();
        JoinAll();
    }

    std::uint16_t Port() const { return m_port; }

    std::size_t ConnectionCount() const {
        const std::lock_guard lock(m_mutex);
        return m_received.size();
    }

    std::string Received(std::size_t index) const {
        const std::lock_guard lock(m_mutex);
        return m_received.at(index);
    }

    std::vector<std::string> Mismatches() const {
        const std::lock_guard lock(m_mutex);
        return m_mismatches;
    }

private:
    // One accepted connection playing its script.
    class Session {
    public:
        Session(State& server, std::size_t index, FileDescriptor socket)
            : m_server(server), m_index(index), m_socket(std::move(socket)) {}

        void Play(const ServerScript& script) {
            for (const auto& step : script.m_steps) {
                if (!Perform(*step))
                    return;
            }
            DrainUntilClosed();
        }

    private:
        bool Perform(const ServerScript::Step& step) {
            switch (step.Kind) {
            case StepKind::Send:
                return SendAll(step.Bytes);
            case StepKind::Trickle:
                return TrickleBytes(step.Bytes, step.Duration);
            case StepKind::ExpectLine:
                return ExpectLine(step.Bytes);
            case StepKind::ReadLine:
                return NextLine().has_value();
            case StepKind::Pause:
                return m_server.Sleep(step.Duration);
            case StepKind::Close:
                ::shutdown(m_socket.Get(), SHUT_WR);
                DrainUntilClosed();
                return false;
            case StepKind::Reset:
                ResetConnection();
                return false;
            case StepKind::Silence:
                DrainUntilClosed();
                return false;
            case StepKind::Flood:
                while (SendAll(step.Bytes)) {
                }
                return false;
            }
            return false;
        }

        bool SendAll(std::string_view bytes) {
            while (!bytes.empty()) {
                const ssize_t sent =
                    ::send(m_socket.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
                if (sent > 0) {
                    bytes.remove_prefix(static_cast<std::size_t>(sent));
                } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
                    if (!m_server.WaitFor(m_socket.Get(), POLLOUT))
                        return false;
                } else {
                    return false;
                }
            }
            return true;
        }

        bool TrickleBytes(std::string_view bytes, milliseconds gap) {
            const int noDelay = 1;
            ::setsockopt(m_socket.Get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
            for (const char byte : bytes) {
                if (!SendAll(std::string_view(&byte, 1)) || !m_server.Sleep(gap))
                    return false;
            }
            return true;
        }

        bool ExpectLine(const std::string& expected) {
            const auto line = NextLine();
            if (line && *line != expected)
                m_server.NoteMismatch("expected " + expected + ", got " + *line);
            if (!line)
                m_server.NoteMismatch("expected " + expected + ", got nothing");
            return line.has_value();
        }

        std::optional<std::string> NextLine() {
            std::size_t lineFeed;
            while ((lineFeed = m_pending.find('\n')) == std::string::npos) {
                if (!ReceiveSome())
                    return std::nullopt;
            }
            std::string line = m_pending.substr(0, lineFeed);
            m_pending.erase(0, lineFeed + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }

        bool ReceiveSome() {
            if (!m_server.WaitFor(m_socket.Get(), POLLIN))
                return false;
            char buffer[4096];
            const ssize_t received = ::recv(m_socket.Get(), buffer, sizeof buffer, 0);
            if (received < 0 && (errno == EAGAIN || errno == EINTR))
                return true;
            if (received <= 0)
                return false;
            const std::string_view bytes(buffer, static_cast<std::size_t>(received));
            m_pending += bytes;
            m_server.Record(m_index, bytes);
            return true;
        }

        void DrainUntilClosed() {
            while (ReceiveSome()) {
            }
        }

        void ResetConnection() {
            const linger abort{1, 0};
            ::setsockopt(m_socket.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            m_socket.Close();
        }

        State& m_server;
        std::size_t m_index;
        FileDescriptor m_socket;
        std::string m_pending;
    };

    void AcceptConnections() {
        for (std::size_t index = 0; index < m_scripts.size(); ++index) {
            if (!WaitFor(m_listener.Get(), POLLIN))
                return;
            FileDescriptor socket(
                ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
            if (!socket.IsValid())
                return;
            {
                const std::lock_guard lock(m_mutex);
                m_received.emplace_back();
            }
            m_sessions.emplace_back([this, index, s = std::move(socket)]() mutable {
                Session(*this, index, std::move(s)).Play(m_scripts[index]);
            });
        }
    }

    // Waits until `fd` is ready; false when the server stops, the test has finished with the
    // client and nothing comes within the grace, or the safety time-out passed.
    bool WaitFor(int fd, short events) {
        const auto giveUp = steady_clock::now() + kSafetyTimeout;
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

    void Wake() {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(m_wakeWrite.Get(), &byte, 1);
    }

    void JoinAll() {
        const std::lock_guard lock(m_joinMutex);
        if (m_accepter.joinable())
            m_accepter.join();
        for (auto& session : m_sessions) {
            if (session.joinable())
                session.join();
        }
    }

    void Record(std::size_t index, std::string_view bytes) {
        const std::lock_guard lock(m_mutex);
        m_received[index] += bytes;
    }

    void NoteMismatch(std::string text) {
        const std::lock_guard lock(m_mutex);
        m_mismatches.push_back(std::move(text));
    }

    std::vector<ServerScript> m_scripts;
    FileDescriptor m_listener;
    std::uint16_t m_port = 0;
    FileDescriptor m_wakeRead;
    FileDescriptor m_wakeWrite;
    std::atomic<bool> m_finishing{false};
    std::atomic<bool> m_stopping{false};
    std::thread m_accepter;
    // Only the accepting thread adds to this, and joins happen after it has ended.
    std::vector<std::thread> m_sessions;
    std::mutex m_joinMutex;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_received;
    std::vector<std::string> m_mismatches;
};

LoopbackServer::LoopbackServer(ServerScript script)
    : LoopbackServer(std::vector<ServerScript>{std::move(script)}) {}

LoopbackServer::LoopbackServer(std::vector<ServerScript> scripts)
    : m_state(std::make_shared<State>(std::move(scripts))) {}

LoopbackServer::~LoopbackServer() = default;

std::uint16_t LoopbackServer::Port() const {
    return m_state->Port();
}

void LoopbackServer::Finish() {
    m_state->Finish();
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

RefusingPort::RefusingPort() {
    m_socket = LoopbackSocket(&m_port);
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

} // namespace velnorix::testing
