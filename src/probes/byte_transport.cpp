#include "probes/byte_transport.h"

#include "probes/probe_errors.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace velnorix {

bool WaitForSocket(int fd, short events, const Deadline& deadline) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, deadline.RemainingMs());
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        if (errno != EINTR)
            throw SocketError(errno);
    }
}

std::size_t PlainTransport::Receive(std::span<char> area, const Deadline& deadline) {
    for (;;) {
        if (!WaitForSocket(m_socket.Get(), POLLIN, deadline))
            throw ReadTimeoutError();
        const ssize_t received = ::recv(m_socket.Get(), area.data(), area.size(), 0);
        if (received >= 0)
            return static_cast<std::size_t>(received);
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            throw SocketError(errno);
    }
}

void PlainTransport::Send(std::string_view bytes, const Deadline& deadline) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_socket.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EAGAIN && error != EWOULDBLOCK)
            throw SocketError(error);
        if (!WaitForSocket(m_socket.Get(), POLLOUT, deadline))
            throw SocketError(ETIMEDOUT);
    }
}

void PlainTransport::Close() {
    if (!m_socket.IsValid())
        return;
    ::shutdown(m_socket.Get(), SHUT_WR);
    m_socket.Close();
}

} // namespace velnorix
