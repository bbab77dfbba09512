// Wall time of one HEAD probe as the test cycle runs it (request, answer, close) against an
// in-process loopback server, beside a bare blocking-socket client sending the same bytes.

#include "base/file_descriptor.h"
#include "probes/http/head_request.h"
#include "probes/http/http_client.h"
#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
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

// Answers every HEAD request of a connection with 200 until the client closes it.
void AnswerHeadRequests(kit::Connection& connection) {
    while (const auto line = connection.ReadLine()) {
        if (line->empty() && !connection.Send(kAnswer)) {
            return;
        }
    }
}

kit::LoopbackServer& Server() {
    static kit::LoopbackServer server(AnswerHeadRequests);
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
