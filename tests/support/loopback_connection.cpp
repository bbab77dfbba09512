#include "probes/tls_transport.h"
#include "support/loopback_server_state.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>

// One accepted connection's reads, writes and TLS, as the scripts and handlers drive them.
namespace velnorix::kit {

using std::chrono::milliseconds;

Connection::Connection(ServerState& server, std::size_t index, FileDescriptor socket)
    : m_server(server), m_index(index), m_socket(std::move(socket)) {
    // Each send goes out at once, so the client meets the pieces the server meant.
    const int noDelay = 1;
    ::setsockopt(m_socket.Get(), IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
}

bool Connection::Send(std::string_view bytes) {
    while (!bytes.empty() && m_socket.IsValid() && m_tls) {
        std::size_t sent = 0;
        if (!TlsCall([&] { return SSL_write_ex(m_tls.get(), bytes.data(), bytes.size(), &sent); }))
            return false;
        bytes.remove_prefix(sent);
    }
    while (!bytes.empty() && m_socket.IsValid()) {
        const ssize_t sent = ::send(m_socket.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!m_server.WaitFor(m_socket.Get(), POLLOUT))
                return false;
        } else {
            return false;
        }
    }
    return bytes.empty();
}

bool Connection::SendLine(std::string_view text) {
    return Send(std::string(text) + "\r\n");
}

bool Connection::Trickle(std::string_view bytes, milliseconds gap) {
    for (const char byte : bytes) {
        if (!Send(std::string_view(&byte, 1)) || !Pause(gap))
            return false;
    }
    return true;
}

void Connection::Flood(std::string_view chunk) {
    while (Send(chunk)) {
    }
}

std::optional<std::string> Connection::ReadLine() {
    std::size_t lineFeed;
    while ((lineFeed = m_pending.find('\n')) == std::string::npos) {
        if (!ReceiveSome())
            return std::nullopt;
    }
    std::string line = m_pending.substr(0, lineFeed);
    m_pending.erase(0, lineFeed + 1);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool Connection::ExpectLine(const std::string& expected) {
    const auto line = ReadLine();
    if (line && *line != expected)
        m_server.NoteMismatch("expected " + expected + ", got " + *line);
    if (!line)
        m_server.NoteMismatch("expected " + expected + ", got nothing");
    return line.has_value();
}

bool Connection::Pause(milliseconds duration) {
    return m_server.Sleep(duration);
}

void Connection::DrainUntilClosed() {
    while (ReceiveSome()) {
    }
}

void Connection::Close() {
    if (m_tls)
        SSL_shutdown(m_tls.get());
    ::shutdown(m_socket.Get(), SHUT_WR);
    DrainUntilClosed();
}

void Connection::Reset() {
    const linger abort{1, 0};
    ::setsockopt(m_socket.Get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    m_socket.Close();
}

bool Connection::StartTls(const std::shared_ptr<ssl_ctx_st>& context) {
    m_tls = std::shared_ptr<ssl_st>(SSL_new(context.get()), SSL_free);
    BIO* bio = BIO_new(SocketWithoutSignal());
    if (!m_tls || bio == nullptr) {
        BIO_free(bio);
        return false;
    }
    BIO_set_fd(bio, m_socket.Get(), BIO_NOCLOSE);
    SSL_set_bio(m_tls.get(), bio, bio);
    return TlsCall([this] { return SSL_accept(m_tls.get()); });
}

bool Connection::ResumedTls() const {
    return m_tls && SSL_session_reused(m_tls.get()) == 1;
}

bool Connection::TlsCall(const std::function<int()>& call) {
    for (;;) {
        const int result = call();
        if (result > 0)
            return true;
        const int error = SSL_get_error(m_tls.get(), result);
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return false;
        if (!m_server.WaitFor(m_socket.Get(), error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT))
            return false;
    }
}

bool Connection::ReceiveSome() {
    char buffer[4096];
    if (m_socket.IsValid() && m_tls) {
        std::size_t received = 0;
        if (!TlsCall([&] { return SSL_read_ex(m_tls.get(), buffer, sizeof buffer, &received); }))
            return false;
        m_pending.append(buffer, received);
        m_server.Record(m_index, std::string_view(buffer, received));
        return true;
    }
    if (!m_socket.IsValid() || !m_server.WaitFor(m_socket.Get(), POLLIN))
        return false;
    const ssize_t received = ::recv(m_socket.Get(), buffer, sizeof buffer, 0);
    if (received < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (received <= 0)
        return false;
    const std::string_view bytes(buffer, static_cast<std::size_t>(received));
    m_pending += bytes;
    m_server.Record(m_index, bytes);
    return true;
}

} // namespace velnorix::kit
