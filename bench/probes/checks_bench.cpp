// Wall time of the TCP and DNS probes against their minimal counterparts in the same run: a
// port probe beside a bare connect and close, with and without a banner to match, and a DNS
// probe (a fresh c-ares channel, the query, the answer parsed and judged) beside one query on
// a bare UDP socket, both against the same scripted name server on 127.0.0.1.
#include "minimal_client.h"
#include "probes/dns_client.h"
#include "probes/port_client.h"
#include "support/loopback_server.h"
#include "support/scripted_name_server.h"

#include <arpa/inet.h>
#include <array>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>

namespace velnorix::bench {
namespace {

using kit::Connection;
using kit::LoopbackServer;

LoopbackServer BannerServer() {
    return LoopbackServer([](Connection& connection) {
        connection.SendLine("SSH-2.0-Bench");
        connection.Close();
    });
}

void TcpProbe(benchmark::State& state, const std::string& pattern) {
    const LoopbackServer server = BannerServer();
    PortClient client;
    const PortCheck check{.Host = "127.0.0.1",
                          .Port = server.Port(),
                          .Tls = false,
                          .BannerPattern = pattern,
                          .BannerAbsent = false,
                          .Timeout = {}};
    for (auto _ : state) {
        client.Open(check);
        client.Close();
    }
}
BENCHMARK_CAPTURE(TcpProbe, Connect, std::string())->UseRealTime();
BENCHMARK_CAPTURE(TcpProbe, Banner, std::string("^SSH-2\\.0-"))->UseRealTime();

void TcpMinimalConnect(benchmark::State& state) {
    const LoopbackServer server = BannerServer();
    for (auto _ : state) {
        MinimalClient client(server.Port());
        client.Close();
    }
}
BENCHMARK(TcpMinimalConnect)->UseRealTime();

const std::vector<kit::ScriptedRecord> kZone = {kit::ARecord("10.0.0.1"), kit::ARecord("10.0.0.2")};

void DnsProbe(benchmark::State& state) {
    const kit::ScriptedNameServer server(kit::Answer::Records, kZone);
    DnsClient client;
    const DnsQuestion question{.Name = "www.bench.test",
                               .Type = DnsRecordType::A,
                               .Server = server.Address(),
                               .Expected = {"10.0.0.2"},
                               .Timeout = {}};
    for (auto _ : state)
        client.Query(question);
}
BENCHMARK(DnsProbe)->UseRealTime();

// The same question as a hand-made datagram on a connected UDP socket, the reply read whole.
void DnsMinimalQuery(benchmark::State& state) {
    const kit::ScriptedNameServer server(kit::Answer::Records, kZone);
    const std::uint16_t port = static_cast<std::uint16_t>(
        std::stoi(server.Address().substr(server.Address().find(':') + 1)));
    const std::array<std::uint8_t, 32> query = {
        0x12, 0x34, 1,   0,   0,   1,   0, 0,   0,   0,   0,   0, 3, 'w', 'w', 'w',
        5,    'b',  'e', 'n', 'c', 'h', 4, 't', 'e', 's', 't', 0, 0, 1,   0,   1};
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (auto _ : state) {
        const FileDescriptor socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        ::send(socket.Get(), query.data(), query.size(), 0);
        std::array<std::uint8_t, 512> reply{};
        benchmark::DoNotOptimize(::recv(socket.Get(), reply.data(), reply.size(), 0));
    }
}
BENCHMARK(DnsMinimalQuery)->UseRealTime();

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
