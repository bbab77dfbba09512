#include "loopback_peer.h"

#include "quiet_host.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix::fuzzing {
namespace {

// Long enough for any client under test to connect, read and close; a peer waiting longer
// than this has met a client that hangs, and libFuzzer's own time-out reports that.
constexpr int kPatienceMs = 5'000;

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void DrainUntilClosed(int fd) {
    char buffer[4096];
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, kPatienceMs) <= 0)
            return;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno != EINTR))
            return;
    }
}

} // namespace

LoopbackPeer::LoopbackPeer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0)
        PropertyFailed("cannot listen on 127.0.0.1");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

LoopbackPeer::~LoopbackPeer() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(m_wake[1], &byte, 1);
    m_thread.join();
    ::close(m_listener);
    ::close(m_wake[0]);
    ::close(m_wake[1]);
}

void LoopbackPeer::Prepare(std::string bytes, Ending ending) {
    {
        const std::lock_guard lock(m_mutex);
        m_bytes = std::move(bytes);
        m_ending = ending;
        m_prepared = true;
    }
    m_changed.notify_all();
}

void LoopbackPeer::WaitServed() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_prepared; });
}

void LoopbackPeer::Serve() {
    for (;;) {
        std::string bytes;
        Ending ending;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_prepared || m_stopping; });
            if (m_stopping)
                return;
            bytes = m_bytes;
            ending = m_ending;
        }
        pollfd entries[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(entries, 2, kPatienceMs) > 0 && (entries[0].revents & POLLIN) != 0) {
            const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection >= 0)
                ServeOne(connection, bytes, ending);
        }
        {
            const std::lock_guard lock(m_mutex);
            m_prepared = false;
        }
        m_changed.notify_all();
    }
}

void LoopbackPeer::ServeOne(int connection, const std::string& bytes, Ending ending) {
    const int on = 1;
    ::setsockopt(connection, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const bool sent = SendAll(connection, bytes);
    if (ending == Ending::Reset) {
        const linger abort{1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    } else if (sent) {
        ::shutdown(connection, SHUT_WR);
        DrainUntilClosed(connection);
    }
    ::close(connection);
}

} // namespace velnorix::fuzzing
