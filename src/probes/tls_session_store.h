#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct ssl_session_st;

namespace velnorix {

using SslSessionPtr = std::shared_ptr<ssl_session_st>;

// When every certificate of a verified chain is valid, as Unix times.
struct CertificateSpan {
    std::int64_t From = 0;
    std::int64_t Until = 0;
};

// A session to offer again and the span of the chain verified for it. OpenSSL keeps only the
// leaf with a session, and a resumed handshake shows no certificate at all, so the span is
// what the issuers are judged by until the next full handshake.
struct KeptSession {
    SslSessionPtr Session;
    CertificateSpan Chain;
};

// The TLS sessions one probe component may resume, one per peer and trust: a session is
// offered again only to the host and port it came from, under the CA bundle that verified it,
// since a resumed session skips verification.
class TlsSessionStore final {
public:
    [[nodiscard]] std::optional<KeptSession> Find(const std::string& peer) const;
    // Takes a reference of its own; a session that cannot be resumed is dropped instead.
    void Keep(const std::string& peer, ssl_session_st* session, CertificateSpan chain);
    void Forget(const std::string& peer) { m_sessions.erase(peer); }

private:
    std::map<std::string, KeptSession> m_sessions;
};

} // namespace velnorix
