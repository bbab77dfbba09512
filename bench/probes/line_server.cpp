#include "line_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix::bench {

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

void SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            throw std::runtime_error("send failed");
        sent += static_cast<std::size_t>(n);
    }
}

} // namespace

LineServer::LineServer(std::string greeting, std::vector<std::string> replies)
    : m_greeting(std::move(greeting)), m_replies(std::move(replies)),
      m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (::bind(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener.Get(), 16) != 0 ||
        ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

LineServer::~LineServer() {
    // Wakes the accept and ends the loop.
    ::shutdown(m_listener.Get(), SHUT_RDWR);
    m_thread.join();
}

void LineServer::Serve() {
    for (;;) {
        FileDescriptor connection(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!connection.IsValid())
            return;
        try {
            Converse(connection.Get());
        } catch (const std::exception&) {
            // The client went away mid-dialogue; serve the next one.
        }
    }
}

void LineServer::Converse(int fd) const {
    SendAll(fd, m_greeting);
    std::size_t answered = 0;
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        pending.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t lf; (lf = pending.find('\n')) != std::string::npos;) {
            pending.erase(0, lf + 1);
            if (answered < m_replies.size())
                SendAll(fd, m_replies[answered++]);
        }
    }
}

MinimalClient::MinimalClient(std::uint16_t port)
    : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    const sockaddr_in address = Loopback(port);
    if (::connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("connect failed");
}

void MinimalClient::WriteLine(const std::string& line) const {
    SendAll(m_socket.Get(), line + "\r\n");
}

void MinimalClient::ReadReply() {
    for (std::string line = ReadLine(); line.size() > 3 && line[3] == '-'; line = ReadLine()) {
    }
}

void MinimalClient::Close() {
    ::shutdown(m_socket.Get(), SHUT_WR);
    m_socket.Close();
}

std::string MinimalClient::ReadLine() {
    for (;;) {
        const std::size_t lf = m_buffer.find('\n');
        if (lf != std::string::npos) {
            std::string line = m_buffer.substr(0, lf);
            m_buffer.erase(0, lf + 1);
            return line;
        }
        char chunk[4096];
        const ssize_t n = ::recv(m_socket.Get(), chunk, sizeof chunk, 0);
        if (n <= 0)
            throw std::runtime_error("connection ended");
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

} // namespace velnorix::bench
