// Wall time of each probe over ::1 beside the same probe over 127.0.0.1, in one run, so the
// two families can be compared on equal terms.
#include "probes/http/http_client.h"
#include "probes/icmp_client.h"
#include "probes/pop3_client.h"
#include "probes/smtp_client.h"
#include "support/loopback_server.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace velnorix::bench {
namespace {

using kit::Connection;
using kit::LoopbackFamily;
using kit::LoopbackServer;
using kit::ServerScript;

// The benchmark's argument: 4 for 127.0.0.1, 6 for ::1.
LoopbackFamily FamilyOf(const benchmark::State& state) {
    return state.range(0) == 6 ? LoopbackFamily::Ipv6 : LoopbackFamily::Ipv4;
}

std::string HostOf(const benchmark::State& state) {
    return state.range(0) == 6 ? "::1" : "127.0.0.1";
}

// Every connection plays the same script, however many come.
LoopbackServer ServerFor(const benchmark::State& state, const ServerScript& script) {
    return LoopbackServer([script](Connection& connection) { script.Play(connection); },
                          std::chrono::seconds(20), 0, FamilyOf(state));
}

void Pop3(benchmark::State& state) {
    const LoopbackServer server = ServerFor(state, ServerScript()
                                                       .SendLine("+OK ready")
                                                       .ReadLine()
                                                       .SendLine("+OK")
                                                       .ReadLine()
                                                       .SendLine("+OK in"));
    Pop3Client client;
    client.SetHost(HostOf(state));
    client.SetPort(server.Port());
    client.SetUsername("alice");
    client.SetPassword("secret");
    for (auto _ : state) {
        client.StartDialogue();
        client.EndDialogue();
    }
}
BENCHMARK(Pop3)->Arg(4)->Arg(6)->UseRealTime();

void Smtp(benchmark::State& state) {
    const LoopbackServer server =
        ServerFor(state, ServerScript().SendLine("220 ready").ReadLine().SendLine("250 hi"));
    SmtpClient client;
    client.SetHost(HostOf(state));
    client.SetPort(server.Port());
    for (auto _ : state) {
        client.StartDialogue();
        client.EndDialogue();
    }
}
BENCHMARK(Smtp)->Arg(4)->Arg(6)->UseRealTime();

void HttpHead(benchmark::State& state) {
    ServerScript script;
    for (int line = 0; line < 5; ++line) // request line and four headers
        script.ReadLine();
    const LoopbackServer server =
        ServerFor(state, script.ReadLine().Send("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"));
    const std::string host = state.range(0) == 6 ? "[::1]" : "127.0.0.1";
    const std::string address = "http://" + host + ":" + std::to_string(server.Port()) + "/";
    HttpClient client;
    for (auto _ : state) {
        client.HeadRequest(address);
        client.CloseConnection();
    }
}
BENCHMARK(HttpHead)->Arg(4)->Arg(6)->UseRealTime();

void Ping(benchmark::State& state) {
    IcmpClient client;
    client.SetHost(HostOf(state));
    for (auto _ : state) {
        try {
            client.EchoExchange("", 0);
        } catch (const std::exception& error) {
            state.SkipWithError(error.what());
            return;
        }
        if (client.ReplyKind() != ReplyStatusKind::Echo) {
            state.SkipWithError("no echo");
            return;
        }
    }
}
BENCHMARK(Ping)->Arg(4)->Arg(6)->UseRealTime();

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
