#include "probes/tcp_connection.h"

#include "probes/line_framing.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace velnorix {

namespace {

// Waits until the socket is ready for `events`; false when the deadline passed first.
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

// Errors after which the connection is gone for good.
bool IsConnectionLost(int error) {
    return error == ECONNRESET || error == ECONNABORTED || error == EPIPE || error == ESHUTDOWN ||
           error == ENOTCONN;
}

ProbeError TooLargeError(std::size_t maxBytes) {
    return ProbeError("Reply exceeds " + std::to_string(maxBytes) + " bytes.");
}

void ConnectWithin(int fd, const sockaddr_in& peer, const Deadline& deadline) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0)
        return;
    if (errno != EINPROGRESS)
        throw SocketError(errno);
    if (!WaitForSocket(fd, POLLOUT, deadline))
        throw SocketError(ETIMEDOUT);
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        throw SocketError(errno);
    if (error != 0)
        throw SocketError(error);
}

} // namespace

TcpConnection::TcpConnection(ConnectionBounds bounds) : m_bounds(bounds) {}

void TcpConnection::OpenConnection() {
    if (m_socket.IsValid())
        throw ProbeError(error_text::kAlreadyConnected);
    RequireSingleLineValue(m_host, "The host name");
    if (m_port < 0 || m_port > 65535)
        throw ProbeError("Port " + std::to_string(m_port) + " is out of range.");
    m_input.clear();
    m_inputStart = 0;
    m_closedGracefully = false;
    m_pendingError.reset();

    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!socket.IsValid())
        throw ProbeError(error_text::kCannotAllocateSocket);
    // The name lookup counts against the connect time-out, so a dead name server cannot
    // hold the probe past it.
    const Deadline deadline(m_bounds.ConnectTimeout);
    ConnectWithin(socket.Get(), PeerAddress(m_host, m_port, m_resolver, deadline), deadline);
    m_socket = std::move(socket);
}

void TcpConnection::CloseConnection() {
    if (!m_socket.IsValid())
        return;
    ::shutdown(m_socket.Get(), SHUT_WR);
    m_socket.Close();
    m_closedGracefully = true;
}

bool TcpConnection::IsOpen() {
    if (!m_socket.IsValid())
        return false;
    if (m_closedGracefully) {
        m_socket.Close();
        return false;
    }
    return true;
}

void TcpConnection::WriteBytes(std::string_view bytes) {
    if (!m_socket.IsValid())
        throw ProbeError(error_text::kNotConnected);
    const Deadline deadline(m_bounds.WriteTimeout);
    while (!bytes.empty()) {
        const ssize_t sent = ::send(m_socket.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            if (!WaitForSocket(m_socket.Get(), POLLOUT, deadline))
                throw SocketError(ETIMEDOUT);
            continue;
        }
        if (IsConnectionLost(error))
            DropSocket();
        throw SocketError(error);
    }
}

void TcpConnection::WriteLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    WriteBytes(line);
}

std::string TcpConnection::ReadLine() {
    return ReadLine(m_bounds.ReadTimeout);
}

std::string TcpConnection::ReadLine(std::chrono::milliseconds timeout) {
    Deadline deadline(timeout);
    return ReadLine(deadline);
}

std::string TcpConnection::ReadLine(Deadline& deadline) {
    for (;;) {
        const LineScan scan = ScanLine(Buffered(), m_bounds.MaxLineLength);
        if (scan.Status == LineScanStatus::Complete) {
            std::string line(scan.Line);
            TakeBuffered(scan.Consumed);
            return line;
        }
        if (scan.Status == LineScanStatus::TooLong)
            throw ProbeError(error_text::kMaxLineLengthExceeded);
        if (!ReceiveMore(deadline))
            throw ConnectionClosedError();
    }
}

std::string TcpConnection::ReadBytes(std::size_t count, std::chrono::milliseconds timeout) {
    Deadline deadline(timeout);
    return ReadBytes(count, deadline);
}

std::string TcpConnection::ReadBytes(std::size_t count, Deadline& deadline) {
    if (count > m_bounds.MaxReplyBytes)
        throw TooLargeError(m_bounds.MaxReplyBytes);
    while (Buffered().size() < count) {
        if (!ReceiveMore(deadline))
            throw ConnectionClosedError();
    }
    return TakeBuffered(count);
}

std::string TcpConnection::ReadUntilClose(std::chrono::milliseconds timeout) {
    Deadline deadline(timeout);
    while (ReceiveMore(deadline)) {
        if (Buffered().size() > m_bounds.MaxReplyBytes)
            throw TooLargeError(m_bounds.MaxReplyBytes);
    }
    return TakeBuffered(Buffered().size());
}

std::string TcpConnection::ReadAvailable(std::chrono::milliseconds timeout) {
    Deadline deadline(timeout);
    return ReadAvailable(deadline);
}

std::string TcpConnection::ReadAvailable(Deadline& deadline) {
    if (Buffered().empty() && !ReceiveMore(deadline))
        return {};
    return TakeBuffered(Buffered().size());
}

int TcpConnection::ReadReply(const std::vector<int>& acceptedCodes) {
    Deadline deadline(m_bounds.ReadTimeout);
    ReplyCollector collector(m_bounds.MaxReplyBytes, m_bounds.MaxReplyLines);
    while (!collector.Add(ReadLine(deadline))) {
    }
    m_lastReply = collector.Reply();
    const int code = m_lastReply.NumericCode;
    if (!acceptedCodes.empty() &&
        std::find(acceptedCodes.begin(), acceptedCodes.end(), code) == acceptedCodes.end())
        throw ReplyError(code, JoinReplyText(m_lastReply));
    return code;
}

int TcpConnection::SendCommand(std::string_view command, const std::vector<int>& acceptedCodes) {
    WriteLine(command);
    return ReadReply(acceptedCodes);
}

bool TcpConnection::ReceiveMore(Deadline& deadline) {
    if (m_pendingError)
        throw SocketError(*m_pendingError);
    if (!m_socket.IsValid()) {
        if (m_closedGracefully)
            return false;
        throw ProbeError(error_text::kNotConnected);
    }
    if (m_closedGracefully)
        return false;
    for (;;) {
        if (!WaitForSocket(m_socket.Get(), POLLIN, deadline))
            throw ReadTimeoutError();
        if (!m_receiveArea)
            m_receiveArea = std::make_unique_for_overwrite<char[]>(kReceiveBufferSize);
        const ssize_t received = ::recv(m_socket.Get(), m_receiveArea.get(), kReceiveBufferSize, 0);
        if (received > 0) {
            m_input.append(m_receiveArea.get(), static_cast<std::size_t>(received));
            deadline.DataArrived();
            return true;
        }
        if (received == 0) {
            m_closedGracefully = true;
            return false;
        }
        const int error = errno;
        if (error == EINTR || error == EAGAIN || error == EWOULDBLOCK)
            continue;
        if (IsConnectionLost(error)) {
            // Lines already buffered are still handed out; reads after them see this error.
            DropSocket();
            m_pendingError = error;
        }
        throw SocketError(error);
    }
}

std::string_view TcpConnection::Buffered() const {
    return std::string_view(m_input).substr(m_inputStart);
}

std::string TcpConnection::TakeBuffered(std::size_t count) {
    std::string taken(Buffered().substr(0, count));
    m_inputStart += taken.size();
    if (m_inputStart == m_input.size()) {
        m_input.clear();
        m_inputStart = 0;
    } else if (m_inputStart >= kReceiveBufferSize) {
        m_input.erase(0, m_inputStart);
        m_inputStart = 0;
    }
    return taken;
}

void TcpConnection::DropSocket() {
    m_socket.Close();
}

} // namespace velnorix
