#include "probes/tls_transport.h"
#include "support/loopback_server.h"
#include "support/server_state.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>

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
            if (!WaitFor(m_server, m_socket.Get(), POLLOUT))
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
        NoteMismatch(m_server, "expected " + expected + ", got " + *line);
    if (!line)
        NoteMismatch(m_server, "expected " + expected + ", got nothing");
    return line.has_value();
}

bool Connection::Pause(milliseconds duration) {
    return Sleep(m_server, duration);
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
        if (!WaitFor(m_server, m_socket.Get(), error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT))
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
        Record(m_server, m_index, std::string_view(buffer, received));
        return true;
    }
    if (!m_socket.IsValid() || !WaitFor(m_server, m_socket.Get(), POLLIN))
        return false;
    const ssize_t received = ::recv(m_socket.Get(), buffer, sizeof buffer, 0);
    if (received < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (received <= 0)
        return false;
    const std::string_view bytes(buffer, static_cast<std::size_t>(received));
    m_pending += bytes;
    Record(m_server, m_index, bytes);
    return true;
}

ServerScript& ServerScript::Then(Step step) {
    m_steps.push_back(std::move(step));
    return *this;
}

ServerScript& ServerScript::Send(std::string bytes) {
    return Then([bytes = std::move(bytes)](Connection& c) { return c.Send(bytes); });
}

ServerScript& ServerScript::SendLine(std::string_view text) {
    return Send(std::string(text) + "\r\n");
}

ServerScript& ServerScript::Trickle(std::string bytes, milliseconds gap) {
    return Then([bytes = std::move(bytes), gap](Connection& c) { return c.Trickle(bytes, gap); });
}

ServerScript& ServerScript::ExpectLine(std::string expected) {
    return Then([expected = std::move(expected)](Connection& c) { return c.ExpectLine(expected); });
}

ServerScript& ServerScript::ReadLine() {
    return Then([](Connection& c) { return c.ReadLine().has_value(); });
}

ServerScript& ServerScript::Pause(milliseconds duration) {
    return Then([duration](Connection& c) { return c.Pause(duration); });
}

ServerScript& ServerScript::Close() {
    return Then([](Connection& c) {
        c.Close();
        return false;
    });
}

ServerScript& ServerScript::Reset() {
    return Then([](Connection& c) {
        c.Reset();
        return false;
    });
}

ServerScript& ServerScript::Silence() {
    return Then([](Connection& c) {
        c.DrainUntilClosed();
        return false;
    });
}

ServerScript& ServerScript::Flood(std::string chunk) {
    return Then([chunk = std::move(chunk)](Connection& c) {
        c.Flood(chunk);
        return false;
    });
}

ServerScript& ServerScript::StartTls(std::shared_ptr<ssl_ctx_st> context) {
    return Then([context = std::move(context)](Connection& c) { return c.StartTls(context); });
}

void ServerScript::Play(Connection& connection) const {
    for (const Step& step : m_steps) {
        if (!step(connection))
            return;
    }
    connection.DrainUntilClosed();
}

} // namespace velnorix::kit
