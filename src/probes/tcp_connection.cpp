#include "probes/tcp_connection.h"

#include "probes/line_framing.h"
#include "probes/probe_errors.h"
#include "probes/tls_transport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace velnorix {

namespace {

// Errors after which the connection is gone for good.
bool IsConnectionLost(int error) {
    return error == ECONNRESET || error == ECONNABORTED || error == EPIPE || error == ESHUTDOWN ||
           error == ENOTCONN;
}

ProbeError TooLargeError(std::size_t maxBytes) {
    return ProbeError("Reply exceeds " + std::to_string(maxBytes) + " bytes.");
}

void ConnectWithin(int fd, const PeerAddress& peer, const Deadline& deadline) {
    if (::connect(fd, peer.Get(), peer.Length) == 0)
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

// Tries the addresses one after another, each with the time the earlier ones left, and gives
// the first socket that connects. One at a time rather than racing them: a probe measures one
// connection and should open no more than one on the server it watches. When none connects,
// the last attempt's error is the one reported.
FileDescriptor ConnectToFirstAnswering(const std::vector<PeerAddress>& peers,
                                       const Deadline& deadline) {
    std::exception_ptr lastError;
    for (const PeerAddress& peer : peers) {
        try {
            FileDescriptor socket(
                ::socket(peer.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            if (!socket.IsValid())
                throw ProbeError(error_text::kCannotAllocateSocket);
            ConnectWithin(socket.Get(), peer, deadline);
            return socket;
        } catch (const ProbeError&) {
            lastError = std::current_exception();
        }
        if (deadline.Passed())
            break;
    }
    std::rethrow_exception(lastError);
}

} // namespace

TcpConnection::TcpConnection(ConnectionBounds bounds) : m_ownBounds(bounds), m_bounds(bounds) {}

void TcpConnection::OpenConnection() {
    if (m_transport)
        throw ProbeError(error_text::kAlreadyConnected);
    RequireSingleLineValue(m_host, "The host name");
    if (m_port < 0 || m_port > 65535)
        throw ProbeError("Port " + std::to_string(m_port) + " is out of range.");
    if (m_implicitTls)
        ClientContext(m_trust.CAFile);
    m_input.clear();
    m_inputStart = 0;
    m_closedGracefully = false;
    m_pendingError.reset();
    m_certificateExpiry = 0;

    // The name lookup counts against the connect time-out, so a dead name server cannot
    // hold the probe past it.
    const Deadline deadline(m_bounds.ConnectTimeout);
    FileDescriptor socket =
        ConnectToFirstAnswering(PeerAddresses(m_host, m_port, m_resolver, deadline), deadline);
    if (m_implicitTls)
        EngageTls(std::move(socket));
    else
        m_transport = std::make_unique<PlainTransport>(std::move(socket));
}

void TcpConnection::StartTls() {
    auto* plain = dynamic_cast<PlainTransport*>(m_transport.get());
    if (plain == nullptr)
        throw ProbeError(m_transport ? "TLS is already on." : error_text::kNotConnected);
    // Bytes that came with the go-ahead were sent before the handshake, so nothing vouches for
    // them (RFC 3207 6): they must not be read as the first reply over TLS.
    if (!Buffered().empty()) {
        DropSocket();
        throw ProbeError("The server sent data ahead of the TLS handshake.");
    }
    FileDescriptor socket = plain->ReleaseSocket();
    m_transport.reset();
    EngageTls(std::move(socket));
}

void TcpConnection::EngageTls(FileDescriptor socket) {
    // The handshake is one exchange of reads and writes, bounded as one read.
    const Deadline deadline(m_bounds.ReadTimeout);
    const std::int64_t now = m_clock->SecondsSinceEpoch();
    auto tls = std::make_unique<TlsTransport>(std::move(socket), Peer(), m_sessions, now, deadline);
    m_certificateExpiry = tls->LeafExpiry();
    m_transport = std::move(tls);
    try {
        CheckCertificateLifetime(m_certificateExpiry, m_trust.WarnDays, now);
    } catch (const ProbeError&) {
        CloseConnection();
        throw;
    }
}

TlsPeer TcpConnection::Peer() const {
    return TlsPeer{CertificateName(m_host), m_port, m_trust};
}

void TcpConnection::ForgetTlsSession() {
    m_sessions.Forget(Peer().SessionKey());
}

bool TcpConnection::IsTls() const {
    return dynamic_cast<const TlsTransport*>(m_transport.get()) != nullptr;
}

bool TcpConnection::ResumedTlsSession() const {
    const auto* tls = dynamic_cast<const TlsTransport*>(m_transport.get());
    return tls != nullptr && tls->Resumed();
}

void TcpConnection::CloseConnection() {
    if (!m_transport)
        return;
    m_transport->Close();
    m_transport.reset();
    m_closedGracefully = true;
}

bool TcpConnection::IsOpen() {
    if (!m_transport)
        return false;
    if (m_closedGracefully) {
        m_transport->Close();
        m_transport.reset();
        return false;
    }
    return true;
}

void TcpConnection::WriteBytes(std::string_view bytes) {
    if (!m_transport)
        throw ProbeError(error_text::kNotConnected);
    try {
        m_transport->Send(bytes, Deadline(m_bounds.WriteTimeout));
    } catch (const SocketError& error) {
        if (IsConnectionLost(error.ErrorCode()))
            DropSocket();
        throw;
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
    if (!m_transport) {
        if (m_closedGracefully)
            return false;
        throw ProbeError(error_text::kNotConnected);
    }
    if (m_closedGracefully)
        return false;
    if (!m_receiveArea)
        m_receiveArea = std::make_unique_for_overwrite<char[]>(kReceiveBufferSize);
    std::size_t received = 0;
    try {
        received =
            m_transport->Receive(std::span(m_receiveArea.get(), kReceiveBufferSize), deadline);
    } catch (const SocketError& error) {
        if (IsConnectionLost(error.ErrorCode())) {
            // Lines already buffered are still handed out; reads after them see this error.
            DropSocket();
            m_pendingError = error.ErrorCode();
        }
        throw;
    }
    if (received == 0) {
        m_closedGracefully = true;
        return false;
    }
    m_input.append(m_receiveArea.get(), received);
    deadline.DataArrived();
    return true;
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
    m_transport.reset();
}

} // namespace velnorix
