#include "support/http_exchange.h"

#include "base/file_descriptor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace velnorix::testing {

std::optional<std::string> HttpReply::Header(std::string_view name) const {
    const std::string key = "\r\n" + std::string(name) + ": ";
    const std::size_t at = Head.find(key);
    if (at == std::string::npos)
        return std::nullopt;
    const std::size_t start = at + key.size();
    return Head.substr(start, Head.find("\r\n", start) - start);
}

std::optional<HttpReply> HttpExchange(std::uint16_t port, std::string_view request,
                                      std::chrono::milliseconds patience) {
    const auto giveUp = std::chrono::steady_clock::now() + patience;
    const FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;
    // A server may answer and close before reading all of a long request; what it answered
    // still counts.
    ::send(socket.Get(), request.data(), request.size(), MSG_NOSIGNAL);
    std::string bytes;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            giveUp - std::chrono::steady_clock::now());
        pollfd entry{socket.Get(), POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            return std::nullopt;
        char buffer[16384];
        const ssize_t received = ::recv(socket.Get(), buffer, sizeof buffer, 0);
        if (received <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(received));
    }
    const std::size_t headEnd = bytes.find("\r\n\r\n");
    if (headEnd == std::string::npos || bytes.size() < 12)
        return std::nullopt;
    HttpReply reply;
    reply.Head = bytes.substr(0, headEnd + 2);
    reply.Body = bytes.substr(headEnd + 4);
    reply.Status = std::stoi(bytes.substr(9, 3));
    return reply;
}

std::string MetricsRequest(std::string_view method) {
    return std::string(method) + " /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n";
}

} // namespace velnorix::testing
