#include "minimal_client.h"

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

std::string MinimalClient::ReadHttpBody() {
    std::size_t length = 0;
    for (std::string line = ReadLine(); line != "\r"; line = ReadLine())
        if (line.starts_with("Content-Length: "))
            length = std::stoul(line.substr(16));
    while (m_buffer.size() < length) {
        char chunk[65536];
        const ssize_t n = ::recv(m_socket.Get(), chunk, sizeof chunk, 0);
        if (n <= 0)
            throw std::runtime_error("connection ended");
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    }
    std::string body = m_buffer.substr(0, length);
    m_buffer.erase(0, length);
    return body;
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
