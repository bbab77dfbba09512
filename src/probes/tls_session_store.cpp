#include "probes/tls_session_store.h"

#include <openssl/ssl.h>

namespace velnorix {

std::optional<KeptSession> TlsSessionStore::Find(const std::string& peer) const {
    const auto found = m_sessions.find(peer);
    if (found == m_sessions.end())
        return std::nullopt;
    return found->second;
}

void TlsSessionStore::Keep(const std::string& peer, ssl_session_st* session,
                           CertificateSpan chain) {
    if (session == nullptr || SSL_SESSION_is_resumable(session) != 1) {
        Forget(peer);
        return;
    }
    SSL_SESSION_up_ref(session);
    m_sessions[peer] = {.Session = SslSessionPtr(session, SSL_SESSION_free), .Chain = chain};
}

} // namespace velnorix
