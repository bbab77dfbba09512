#include "probes/tls_transport.h"

#include "probes/probe_errors.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <ctime>
#include <limits>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

namespace velnorix {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr const char* kHandshakeFailed = "TLS handshake failed: ";

// OpenSSL's socket BIO writes without MSG_NOSIGNAL, so a peer that resets would raise
// SIGPIPE, which the console front end takes as "stop". Only the write differs.
int WriteWithoutSignal(BIO* bio, const char* data, int size) {
    int fd = -1;
    BIO_get_fd(bio, &fd);
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(fd, data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

} // namespace

const BIO_METHOD* SocketWithoutSignal() {
    static BIO_METHOD* const method = [] {
        const BIO_METHOD* socket = BIO_s_socket();
        BIO_METHOD* own = BIO_meth_new(BIO_TYPE_SOCKET, "socket without SIGPIPE");
        BIO_meth_set_write(own, WriteWithoutSignal);
        BIO_meth_set_read(own, BIO_meth_get_read(socket));
        BIO_meth_set_puts(own, BIO_meth_get_puts(socket));
        BIO_meth_set_ctrl(own, BIO_meth_get_ctrl(socket));
        BIO_meth_set_create(own, BIO_meth_get_create(socket));
        BIO_meth_set_destroy(own, BIO_meth_get_destroy(socket));
        return own;
    }();
    return method;
}

namespace {

bool IsIpAddress(const std::string& host) {
    unsigned char address[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, host.c_str(), address) == 1 ||
           ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// 0 when there is no time or it cannot be read.
std::int64_t UnixTime(const ASN1_TIME* time) {
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1)
        return 0;
    return ::timegm(&parts);
}

std::int64_t ExpiryOf(const X509* certificate) {
    return certificate == nullptr ? 0 : UnixTime(X509_get0_notAfter(certificate));
}

// Where every certificate of the chain the handshake verified is valid; nowhere without one.
CertificateSpan VerifiedSpan(const SSL* ssl) {
    const auto* chain = SSL_get0_verified_chain(ssl);
    if (sk_X509_num(chain) <= 0)
        return {};
    CertificateSpan span{.From = std::numeric_limits<std::int64_t>::min(),
                         .Until = std::numeric_limits<std::int64_t>::max()};
    for (int index = 0; index < sk_X509_num(chain); ++index) {
        const X509* certificate = sk_X509_value(chain, index);
        span.From = std::max(span.From, UnixTime(X509_get0_notBefore(certificate)));
        span.Until = std::min(span.Until, UnixTime(X509_get0_notAfter(certificate)));
    }
    return span;
}

bool ExpiresTooSoon(std::int64_t expiry, std::int32_t warnDays, std::int64_t now) {
    return warnDays > 0 && expiry - now < warnDays * kSecondsPerDay;
}

// A resumed handshake shows no certificate, so a session is offered only while a full one
// would still pass: the chain verified for it valid at `now` and its leaf, which OpenSSL keeps
// with the session, clear of the warning days. Otherwise the full handshake reports the fault.
bool WouldStillPass(const KeptSession& kept, std::int32_t warnDays, std::int64_t now) {
    return kept.Chain.From <= now && now <= kept.Chain.Until &&
           !ExpiresTooSoon(ExpiryOf(SSL_SESSION_get0_peer(kept.Session.get())), warnDays, now);
}

enum class Wait { Done, TimedOut, NotAsked };

// Waits as OpenSSL asked with `error`; NotAsked when the error is a failure, not a wait.
Wait AwaitAsAsked(int fd, int error, const Deadline& deadline) {
    short events = 0;
    if (error == SSL_ERROR_WANT_READ)
        events = POLLIN;
    else if (error == SSL_ERROR_WANT_WRITE)
        events = POLLOUT;
    else
        return Wait::NotAsked;
    return WaitForSocket(fd, events, deadline) ? Wait::Done : Wait::TimedOut;
}

// Why a call failed that was no wait: OpenSSL's reason, the socket's, or the peer's close.
std::string FailureReason(int error, int systemError) {
    if (ERR_peek_error() != 0 || error == SSL_ERROR_SSL)
        return TakeTlsErrorReason();
    if (error == SSL_ERROR_SYSCALL && systemError != 0)
        return SocketError(systemError).what();
    return error_text::kConnectionClosedGracefully;
}

} // namespace

std::string TlsPeer::SessionKey() const {
    return Host + ":" + std::to_string(Port) + " " + Trust.CAFile;
}

TlsTransport::TlsTransport(FileDescriptor socket, const TlsPeer& peer, TlsSessionStore& sessions,
                           std::int64_t now, const Deadline& deadline)
    : m_socket(std::move(socket)), m_ssl(nullptr, SSL_free), m_sessions(sessions),
      m_sessionKey(peer.SessionKey()) {
    const SslContextPtr context = ClientContext(peer.Trust.CAFile);
    ERR_clear_error();
    m_ssl.reset(SSL_new(context.get()));
    BIO* bio = BIO_new(SocketWithoutSignal());
    if (!m_ssl || bio == nullptr) {
        BIO_free(bio);
        throw ProbeError("TLS is not available: " + TakeTlsErrorReason());
    }
    BIO_set_fd(bio, m_socket.Get(), BIO_NOCLOSE);
    SSL_set_bio(m_ssl.get(), bio, bio);
    // The chain is verified at the time the warning days are counted from.
    X509_VERIFY_PARAM_set_time(SSL_get0_param(m_ssl.get()), static_cast<time_t>(now));
    // RFC 6066 3: SNI carries names only; an address is checked as an address.
    if (IsIpAddress(peer.Host)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl.get()), peer.Host.c_str());
    } else {
        // SSL_set_tlsext_host_name with its cast spelt out.
        SSL_ctrl(m_ssl.get(), SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                 const_cast<char*>(peer.Host.c_str()));
        SSL_set_hostflags(m_ssl.get(), X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(m_ssl.get(), peer.Host.c_str());
    }
    if (const std::optional<KeptSession> kept = m_sessions.Find(m_sessionKey)) {
        if (WouldStillPass(*kept, peer.Trust.WarnDays, now)) {
            SSL_set_session(m_ssl.get(), kept->Session.get());
            m_chain = kept->Chain;
        } else {
            m_sessions.Forget(m_sessionKey);
        }
    }
    Handshake(deadline);
    if (!Resumed())
        m_chain = VerifiedSpan(m_ssl.get());
    m_leafExpiry = ExpiryOf(SSL_get0_peer_certificate(m_ssl.get()));
}

TlsTransport::~TlsTransport() = default;

void TlsTransport::Handshake(const Deadline& deadline) {
    for (;;) {
        ERR_clear_error();
        errno = 0;
        const int result = SSL_connect(m_ssl.get());
        if (result == 1)
            return;
        const int systemError = errno;
        const int error = SSL_get_error(m_ssl.get(), result);
        const Wait wait = AwaitAsAsked(m_socket.Get(), error, deadline);
        if (wait == Wait::Done)
            continue;
        m_broken = true;
        m_sessions.Forget(m_sessionKey);
        if (wait == Wait::TimedOut)
            throw ProbeError(std::string(kHandshakeFailed) + error_text::kReadTimeout);
        const long verifyResult = SSL_get_verify_result(m_ssl.get());
        if (verifyResult != X509_V_OK) {
            ERR_clear_error();
            throw ProbeError(std::string("Certificate verify failed: ") +
                             X509_verify_cert_error_string(verifyResult));
        }
        throw ProbeError(kHandshakeFailed + FailureReason(error, systemError));
    }
}

std::size_t TlsTransport::Receive(std::span<char> area, const Deadline& deadline) {
    for (;;) {
        ERR_clear_error();
        errno = 0;
        std::size_t received = 0;
        const int result = SSL_read_ex(m_ssl.get(), area.data(), area.size(), &received);
        if (result == 1)
            return received;
        const int systemError = errno;
        const int error = SSL_get_error(m_ssl.get(), result);
        const Wait wait = AwaitAsAsked(m_socket.Get(), error, deadline);
        if (wait == Wait::Done)
            continue;
        if (wait == Wait::TimedOut)
            throw ReadTimeoutError();
        if (error == SSL_ERROR_ZERO_RETURN)
            return 0;
        m_broken = true;
        if (error == SSL_ERROR_SYSCALL && systemError != 0)
            throw SocketError(systemError);
        // Servers that close without close_notify are common; for a probe that reads no
        // content a cut-off stream is an end of stream like any other.
        if (ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING ||
            (error == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)) {
            ERR_clear_error();
            return 0;
        }
        throw ProbeError("TLS read failed: " + FailureReason(error, systemError));
    }
}

void TlsTransport::Send(std::string_view bytes, const Deadline& deadline) {
    while (!bytes.empty()) {
        ERR_clear_error();
        errno = 0;
        std::size_t written = 0;
        const int result = SSL_write_ex(m_ssl.get(), bytes.data(), bytes.size(), &written);
        if (result == 1) {
            bytes.remove_prefix(written);
            continue;
        }
        const int systemError = errno;
        const int error = SSL_get_error(m_ssl.get(), result);
        const Wait wait = AwaitAsAsked(m_socket.Get(), error, deadline);
        if (wait == Wait::Done)
            continue;
        if (wait == Wait::TimedOut)
            throw SocketError(ETIMEDOUT);
        m_broken = true;
        if (error == SSL_ERROR_SYSCALL && systemError != 0)
            throw SocketError(systemError);
        throw ProbeError("TLS write failed: " + FailureReason(error, systemError));
    }
}

void TlsTransport::Close() {
    if (!m_socket.IsValid())
        return;
    if (!m_broken) {
        // Sent once and not waited for: the probe closes without a dialogue. It also keeps
        // OpenSSL from marking the session as not resumable when the connection is freed.
        ERR_clear_error();
        SSL_shutdown(m_ssl.get());
        m_sessions.Keep(m_sessionKey, SSL_get0_session(m_ssl.get()), m_chain);
    }
    ERR_clear_error();
    ::shutdown(m_socket.Get(), SHUT_WR);
    m_socket.Close();
}

bool TlsTransport::Resumed() const {
    return SSL_session_reused(m_ssl.get()) == 1;
}

void CheckCertificateLifetime(std::int64_t expiry, std::int32_t warnDays, std::int64_t now) {
    if (!ExpiresTooSoon(expiry, warnDays, now))
        return;
    const std::int64_t days = (expiry - now) / kSecondsPerDay;
    throw ProbeError("Certificate expires in " + std::to_string(days) + " days");
}

} // namespace velnorix
