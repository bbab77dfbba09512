// Wall time of one HEAD probe as the test cycle runs it (request, answer, close) against an
// in-process loopback server, beside a bare blocking-socket client sending the same bytes.

#include "base/file_descriptor.h"
#include "probes/http/head_request.h"
#include "probes/http/http_client.h"

#include <arpa/inet.h>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace velnorix {
namespace {

constexpr std::string_view kAnswer = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Reads until the end of a header block; false when the peer closed first.
bool ReadHeaderBlock(int fd) {
    std::string received;
    char buffer[4096];
    while (received.find("\r\n\r\n") == std::string::npos) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return false;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
}

// Answers every HEAD request with 200 until it is destroyed, one connection at a time.
class HeadServer final {
public:
    HeadServer() : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        const int on = 1;
        ::setsockopt(m_listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in address = LoopbackAddress(0);
        socklen_t length = sizeof address;
        if (::bind(m_listener.Get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 ||
            ::listen(m_listener.Get(), 64) != 0 ||
            ::getsockname(m_listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("cannot listen on 127.0.0.1");
        }
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }

    ~HeadServer() {
        m_stopping = true;
        // Wakes the accept with one last connection.
        FileDescriptor waker(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const sockaddr_in address = LoopbackAddress(m_port);
        ::connect(waker.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
        waker.Close();
        m_thread.join();
    }

    HeadServer(const HeadServer&) = delete;
    HeadServer& operator=(const HeadServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    void Serve() {
        while (!m_stopping) {
            FileDescriptor connection(::accept4(m_listener.Get(), nullptr, nullptr, SOCK_CLOEXEC));
            while (connection.IsValid() && ReadHeaderBlock(connection.Get())) {
                ::send(connection.Get(), kAnswer.data(), kAnswer.size(), MSG_NOSIGNAL);
            }
        }
    }

    FileDescriptor m_listener;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

HeadServer& Server() {
    static HeadServer server;
    return server;
}

void BM_HttpClientHeadProbe(benchmark::State& state) {
    HttpClient client;
    client.SetPort(Server().Port());
    for (auto _ : state) {
        client.HeadRequest("http://127.0.0.1/index.htm");
        client.CloseConnection();
    }
}
BENCHMARK(BM_HttpClientHeadProbe)->UseRealTime();

// The least a client can do for the same exchange: connect, one send, read the header
// block, close.
void BM_MinimalSocketHead(benchmark::State& state) {
    const std::string host = "127.0.0.1:" + std::to_string(Server().Port());
    const std::string request = BuildHeadRequest("/index.htm", host, "");
    const sockaddr_in address = LoopbackAddress(Server().Port());
    for (auto _ : state) {
        FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
                0 ||
            ::send(socket.Get(), request.data(), request.size(), MSG_NOSIGNAL) < 0 ||
            !ReadHeaderBlock(socket.Get())) {
            state.SkipWithError("exchange failed");
            break;
        }
        ::shutdown(socket.Get(), SHUT_WR);
    }
}
BENCHMARK(BM_MinimalSocketHead)->UseRealTime();

} // namespace
} // namespace velnorix

BENCHMARK_MAIN();
