#pragma once

#include <map>
#include <memory>
#include <string>

struct ssl_session_st;

namespace velnorix {

using SslSessionPtr = std::shared_ptr<ssl_session_st>;

// The TLS sessions one probe component may resume, one per peer and trust: a session is
// offered again only to the host and port it came from, under the CA bundle that verified it,
// since a resumed session skips verification.
class TlsSessionStore final {
public:
    [[nodiscard]] SslSessionPtr Find(const std::string& peer) const;
    // Takes a reference of its own; a session that cannot be resumed is dropped instead.
    void Keep(const std::string& peer, ssl_session_st* session);
    void Forget(const std::string& peer) { m_sessions.erase(peer); }

private:
    std::map<std::string, SslSessionPtr> m_sessions;
};

} // namespace velnorix
