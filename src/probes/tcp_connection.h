#pragma once

#include "base/clock.h"
#include "base/deadline.h"
#include "probes/byte_transport.h"
#include "probes/host_resolution.h"
#include "probes/network_bounds.h"
#include "probes/numbered_reply.h"
#include "probes/tls_context.h"
#include "probes/tls_session_store.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

struct TlsPeer;

// One blocking TCP connection with line reading and numbered replies, the layer under the
// HTTP, POP3 and SMTP probes, over a plain or a TLS byte stream. At most one socket is open at
// a time. Every wait is bounded by the connection's bounds, the TLS handshake included; every
// failure throws (see probe_errors.h).
class TcpConnection final {
public:
    explicit TcpConnection(ConnectionBounds bounds = {});
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // A new peer: the certificate of the old one is forgotten.
    void SetHost(std::string_view host) {
        m_host = host;
        m_certificateExpiry = 0;
    }
    void SetPort(std::int32_t port) { m_port = port; }
    [[nodiscard]] const std::string& Host() const { return m_host; }
    [[nodiscard]] std::int32_t Port() const { return m_port; }
    // The connection's own bounds, under the cap of CapWaits if one is set.
    void SetBounds(const ConnectionBounds& bounds) {
        m_ownBounds = bounds;
        m_bounds = CappedAt(bounds, m_cap);
    }
    // Caps each wait from now on (see WaitCapped); 0 restores the own bounds.
    void CapWaits(std::chrono::milliseconds cap) {
        m_cap = cap;
        m_bounds = CappedAt(m_ownBounds, cap);
    }
    // The bounds in force: the own ones, capped.
    [[nodiscard]] const ConnectionBounds& Bounds() const { return m_bounds; }
    // Where host names that are not addresses are looked up; the system resolver by default.
    void SetResolver(HostResolver resolver) { m_resolver = std::move(resolver); }
    // The wall time certificates are judged by; the system's by default. It must outlive the
    // connection.
    void SetClock(Clock& clock) { m_clock = &clock; }

    // Whether OpenConnection speaks TLS from the first byte, and what TLS trusts.
    void SetImplicitTls(bool on) { m_implicitTls = on; }
    void SetTlsTrust(TlsTrust trust) { m_trust = std::move(trust); }
    [[nodiscard]] bool ImplicitTls() const { return m_implicitTls; }

    // Connects to Host:Port, with the TLS handshake when implicit TLS is set; TLS that cannot
    // be set up fails before the connect. Throws "Already connected." (leaving the open socket
    // alone), "Cannot allocate socket.", or a SocketError for the lookup or the connect.
    void OpenConnection();
    // Turns the open plain connection into TLS (STARTTLS): the handshake, the certificate
    // checks, and from then on every byte encrypted. The connection is closed when it fails.
    void StartTls();
    // Shuts down sending and closes; the closed-gracefully flag is set. Nothing when closed.
    void CloseConnection();
    // True while a socket is open and the peer has not been seen to close it; a socket found
    // closed by the peer is closed here.
    bool IsOpen();
    // Whether the connection was closed, by the peer (a read gave end of stream) or by us.
    [[nodiscard]] bool ClosedGracefully() const { return m_closedGracefully; }

    // When the leaf certificate of the latest TLS handshake with this peer expires (Unix
    // time); 0 when there was none.
    [[nodiscard]] std::int64_t CertificateExpiry() const { return m_certificateExpiry; }
    // Drops the TLS session kept for Host:Port, so the next handshake there is a full one with
    // every certificate check: the probes call it when they fail.
    void ForgetTlsSession();
    // Whether the open connection speaks TLS and resumed a kept session.
    [[nodiscard]] bool IsTls() const;
    [[nodiscard]] bool ResumedTlsSession() const;

    // Sends every byte, or throws "Not Connected" or a SocketError.
    void WriteBytes(std::string_view bytes);
    // The text followed by CR LF.
    void WriteLine(std::string_view text);

    // One line without its LF and a CR before it, within the read time-out of the bounds or
    // the one given. The overloads that take a Deadline tell it of every arrival of data, so a
    // limit on silence starts again with each.
    std::string ReadLine();
    std::string ReadLine(std::chrono::milliseconds timeout);
    std::string ReadLine(Deadline& deadline);
    // Exactly `count` bytes (at most MaxReplyBytes) within the time-out.
    std::string ReadBytes(std::size_t count, std::chrono::milliseconds timeout);
    std::string ReadBytes(std::size_t count, Deadline& deadline);
    // Everything up to the peer's close (at most MaxReplyBytes) within the time-out.
    std::string ReadUntilClose(std::chrono::milliseconds timeout);
    // What is buffered, or else what one read gives once data arrives within the time-out;
    // empty once the peer has closed and everything buffered has been taken.
    std::string ReadAvailable(std::chrono::milliseconds timeout);
    std::string ReadAvailable(Deadline& deadline);

    // Reads one numbered reply within the read time-out and keeps it as the last reply. When
    // `acceptedCodes` is not empty and lacks its code, throws a ReplyError.
    int ReadReply(const std::vector<int>& acceptedCodes = {});
    // WriteLine of the command, then ReadReply.
    int SendCommand(std::string_view command, const std::vector<int>& acceptedCodes = {});
    [[nodiscard]] const NumberedReply& LastReply() const { return m_lastReply; }

private:
    // Waits for and appends one read's worth of bytes to the input buffer; false when the
    // peer has closed the connection.
    bool ReceiveMore(Deadline& deadline);
    [[nodiscard]] std::string_view Buffered() const;
    std::string TakeBuffered(std::size_t count);
    void DropSocket();
    [[nodiscard]] TlsPeer Peer() const;
    // The TLS handshake on the open socket, the leaf's expiry noted and its lifetime checked.
    void EngageTls(FileDescriptor socket);

    std::string m_host;
    std::int32_t m_port = 0;
    ConnectionBounds m_ownBounds;
    std::chrono::milliseconds m_cap{0};
    ConnectionBounds m_bounds;
    HostResolver m_resolver = ResolveWithSystem;
    SystemClock m_systemClock;
    Clock* m_clock = &m_systemClock;
    std::unique_ptr<ByteTransport> m_transport;
    bool m_implicitTls = false;
    TlsTrust m_trust;
    TlsSessionStore m_sessions;
    std::int64_t m_certificateExpiry = 0;
    // Where one read lands before its bytes join the input buffer.
    std::unique_ptr<char[]> m_receiveArea;
    std::string m_input;
    std::size_t m_inputStart = 0;
    bool m_closedGracefully = false;
    // A reset seen while reading: reported once the buffered bytes have been taken.
    std::optional<int> m_pendingError;
    NumberedReply m_lastReply;
};

} // namespace velnorix
