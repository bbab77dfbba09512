#pragma once

#include "probes/byte_transport.h"
#include "probes/tls_context.h"
#include "probes/tls_session_store.h"

#include <cstdint>
#include <memory>
#include <string>

struct ssl_st;
struct bio_method_st;

namespace velnorix {

// The peer a TLS client expects: its name or address (checked against the certificate and
// sent as SNI when a name) and port.
struct TlsPeer {
    std::string Host;
    std::int32_t Port = 0;
    TlsTrust Trust;

    [[nodiscard]] std::string SessionKey() const;
};

class TlsTransport final : public ByteTransport {
public:
    // Runs the client handshake on the connected socket within the deadline, offering the
    // session kept for the peer while its certificates would still pass a full handshake (see
    // CheckCertificateLifetime); certificates are judged at `now` (Unix time). Throws "TLS
    // handshake failed: <reason>" or "Certificate verify failed: <verify text>"; the socket is
    // closed then.
    TlsTransport(FileDescriptor socket, const TlsPeer& peer, TlsSessionStore& sessions,
                 std::int64_t now, const Deadline& deadline);
    ~TlsTransport() override;
    TlsTransport(const TlsTransport&) = delete;
    TlsTransport& operator=(const TlsTransport&) = delete;

    std::size_t Receive(std::span<char> area, const Deadline& deadline) override;
    void Send(std::string_view bytes, const Deadline& deadline) override;
    // Sends close_notify without waiting for the peer's, keeps the session for the next
    // connection to the peer, then closes the socket.
    void Close() override;

    // When the peer's leaf certificate expires, as a Unix time.
    [[nodiscard]] std::int64_t LeafExpiry() const { return m_leafExpiry; }
    [[nodiscard]] bool Resumed() const;

private:
    void Handshake(const Deadline& deadline);

    FileDescriptor m_socket;
    std::unique_ptr<ssl_st, void (*)(ssl_st*)> m_ssl;
    TlsSessionStore& m_sessions;
    std::string m_sessionKey;
    std::int64_t m_leafExpiry = 0;
    // Of the chain verified in this handshake, or in the one of the session it resumed.
    CertificateSpan m_chain;
    // A fatal error was seen: OpenSSL must not be called on the connection again.
    bool m_broken = false;
};

// OpenSSL's socket BIO with writes that pass MSG_NOSIGNAL, so a peer that has gone raises an
// error instead of SIGPIPE, which the console front end takes as "stop".
const bio_method_st* SocketWithoutSignal();

// Throws "Certificate expires in D days" when the leaf expires in fewer than `warnDays` whole
// days from `now` (Unix times); nothing when `warnDays` is 0.
void CheckCertificateLifetime(std::int64_t expiry, std::int32_t warnDays, std::int64_t now);

} // namespace velnorix
