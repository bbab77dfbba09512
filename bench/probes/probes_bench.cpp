// Wall time of the POP3, SMTP, ping and web (GET with a text check) probes against their
// minimal counterparts doing the same exchange in the same run, and the CPU time one
// 5,000 ms ping time-out costs.
#include "minimal_client.h"
#include "probes/http/body_match.h"
#include "probes/http/http_client.h"
#include "probes/icmp_client.h"
#include "probes/icmp_packet.h"
#include "probes/pop3_client.h"
#include "probes/smtp_client.h"
#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstring>
#include <ctime>
#include <fstream>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velnorix::bench {
namespace {

using kit::Connection;
using kit::LoopbackServer;
using kit::ServerScript;

const std::string kPop3Greeting = "+OK POP3 server ready\r\n";
const std::vector<std::string> kPop3Replies = {"+OK send PASS\r\n", "+OK logged in\r\n"};
const std::string kSmtpGreeting = "220 mail.example ESMTP ready\r\n";
const std::vector<std::string> kSmtpReplies = {
    "250-mail.example greets you\r\n250-SIZE 10240000\r\n250-AUTH LOGIN PLAIN\r\n250 HELP\r\n"};

// Every connection gets the greeting, then the n-th reply to the n-th line it sends.
LoopbackServer LineServer(const std::string& greeting, const std::vector<std::string>& replies) {
    ServerScript script;
    script.Send(greeting);
    for (const std::string& reply : replies)
        script.ReadLine().Send(reply);
    return LoopbackServer([script](Connection& connection) { script.Play(connection); });
}

void Pop3Probe(benchmark::State& state) {
    const LoopbackServer server = LineServer(kPop3Greeting, kPop3Replies);
    Pop3Client client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    client.SetUsername("alice");
    client.SetPassword("secret");
    for (auto _ : state) {
        client.StartDialogue();
        client.EndDialogue();
    }
}
BENCHMARK(Pop3Probe)->UseRealTime();

void Pop3MinimalClient(benchmark::State& state) {
    const LoopbackServer server = LineServer(kPop3Greeting, kPop3Replies);
    for (auto _ : state) {
        MinimalClient client(server.Port());
        client.ReadReply();
        client.WriteLine("USER alice");
        client.ReadReply();
        client.WriteLine("PASS secret");
        client.ReadReply();
        client.WriteLine("QUIT");
        client.Close();
    }
}
BENCHMARK(Pop3MinimalClient)->UseRealTime();

void SmtpProbe(benchmark::State& state) {
    const LoopbackServer server = LineServer(kSmtpGreeting, kSmtpReplies);
    SmtpClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(server.Port());
    for (auto _ : state) {
        client.StartDialogue();
        client.EndDialogue();
    }
}
BENCHMARK(SmtpProbe)->UseRealTime();

void SmtpMinimalClient(benchmark::State& state) {
    const LoopbackServer server = LineServer(kSmtpGreeting, kSmtpReplies);
    const std::string hello = "EHLO " + LocalHostName();
    for (auto _ : state) {
        MinimalClient client(server.Port());
        client.ReadReply();
        client.WriteLine(hello);
        client.ReadReply();
        client.WriteLine("QUIT");
        client.Close();
    }
}
BENCHMARK(SmtpMinimalClient)->UseRealTime();

// A 64 KiB page whose text to find is at its very end, so the whole body is searched.
const std::string kPageBody = std::string(kMatchedBodyBytes - 9, 'x') + "<b>OK</b>";
const std::string kPagePattern = "<b>O+K</b>";

LoopbackServer PageServer() {
    ServerScript script;
    for (int line = 0; line < 6; ++line)
        script.ReadLine();
    script.Send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kPageBody.size()) +
                "\r\n\r\n" + kPageBody);
    return LoopbackServer([script](Connection& connection) { script.Play(connection); });
}

void WebGetMatchProbe(benchmark::State& state) {
    const LoopbackServer server = PageServer();
    const std::string address = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
    HttpClient client;
    client.SetPort(server.Port());
    client.SetCheck({.Get = true, .Expect = {}, .Match = kPagePattern, .MatchAbsent = false});
    for (auto _ : state) {
        client.HeadRequest(address);
        client.CloseConnection();
    }
}
BENCHMARK(WebGetMatchProbe)->UseRealTime();

void WebGetMatchMinimalClient(benchmark::State& state) {
    const LoopbackServer server = PageServer();
    const BodyPattern pattern(kPagePattern);
    for (auto _ : state) {
        MinimalClient client(server.Port());
        client.WriteLine("GET / HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1\r\n"
                         "Accept: text/html, */*\r\nUser-Agent: bench\r\n");
        if (!pattern.FoundIn(client.ReadHttpBody()))
            state.SkipWithError("text not found");
        client.Close();
    }
}
BENCHMARK(WebGetMatchMinimalClient)->UseRealTime();

// The search alone, and a pattern that backtracks over the whole page, which a bounded search
// gives up on instead of overflowing the stack.
void BodyPatternSearch(benchmark::State& state) {
    const BodyPattern pattern(state.range(0) == 0 ? kPagePattern : "(x|y)*<i>");
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(pattern.FoundIn(kPageBody));
        } catch (const PatternError&) {
            state.counters["gave_up"] = 1;
        }
    }
}
BENCHMARK(BodyPatternSearch)->Arg(0)->Arg(1)->UseRealTime();

bool RawSocketsAllowed() {
    const FileDescriptor probe(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    return probe.IsValid();
}

void PingProbe(benchmark::State& state) {
    if (!RawSocketsAllowed()) {
        state.SkipWithError("raw ICMP sockets are not allowed to this user");
        return;
    }
    IcmpClient client;
    client.SetHost("127.0.0.1");
    for (auto _ : state) {
        client.EchoExchange("", 0);
        if (client.ReplyKind() != ReplyStatusKind::Echo)
            state.SkipWithError("no echo from 127.0.0.1");
    }
}
BENCHMARK(PingProbe)->UseRealTime();

// One echo exchange on a fresh raw socket: send, then take the first datagram that carries
// our sequence number, as the probe does.
void PingMinimalRawSocket(benchmark::State& state) {
    if (!RawSocketsAllowed()) {
        state.SkipWithError("raw ICMP sockets are not allowed to this user");
        return;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::uint16_t sequence = 1;
    for (auto _ : state) {
        const FileDescriptor socket(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
        const EchoRequest request = BuildEchoRequest(1, ++sequence, 0, "");
        ::sendto(socket.Get(), request.data(), request.size(), 0,
                 reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        std::uint8_t buffer[1024];
        for (;;) {
            const ssize_t n = ::recv(socket.Get(), buffer, sizeof buffer, 0);
            const std::size_t header = static_cast<std::size_t>(buffer[0] & 0x0f) * 4;
            if (n >= static_cast<ssize_t>(header + 8) &&
                (buffer[header + 6] | (buffer[header + 7] << 8)) == sequence)
                break;
        }
    }
}
BENCHMARK(PingMinimalRawSocket)->UseRealTime();

// Gives the calling thread a network namespace of its own in which 127.0.0.1 ignores echo
// requests and the ICMP datagram socket is open to every group: a host that never answers,
// without anything leaving the machine.
bool EnterSilentNamespace(std::string& whyNot) {
    if (::unshare(CLONE_NEWNET) != 0) {
        whyNot = "cannot create a network namespace";
        return false;
    }
    const FileDescriptor control(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    ifreq loopback{};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(control.Get(), SIOCGIFFLAGS, &loopback) != 0) {
        whyNot = "cannot read the loopback interface";
        return false;
    }
    loopback.ifr_flags = static_cast<short>(loopback.ifr_flags | IFF_UP);
    if (::ioctl(control.Get(), SIOCSIFFLAGS, &loopback) != 0) {
        whyNot = "cannot bring up the loopback interface";
        return false;
    }
    // /proc/sys/net shows the namespace of the thread that opens it.
    std::ofstream("/proc/sys/net/ipv4/icmp_echo_ignore_all") << "1";
    std::ofstream("/proc/sys/net/ipv4/ping_group_range") << "0 2147483647";
    return true;
}

double ThreadCpuMs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The CPU one unanswered exchange costs over its whole 5,000 ms wait. The wait code is the
// same for both socket kinds; the datagram socket is used because on 127.0.0.1 a raw socket
// would take its own request as the answer.
void PingTimeoutCpu(benchmark::State& state) {
    for (auto _ : state) {
        std::string whyNot;
        double cpuMs = 0;
        double wallMs = 0;
        bool timedOut = false;
        std::thread silent([&] {
            if (!EnterSilentNamespace(whyNot))
                return;
            IcmpClient client;
            client.SetSocketKinds({IcmpSocketKind::Datagram});
            client.SetHost("127.0.0.1");
            const auto wallStart = std::chrono::steady_clock::now();
            const double cpuStart = ThreadCpuMs();
            client.EchoExchange("", 0);
            cpuMs = ThreadCpuMs() - cpuStart;
            wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                               wallStart)
                         .count();
            timedOut = client.ReplyKind() == ReplyStatusKind::TimedOut;
        });
        silent.join();
        if (!whyNot.empty()) {
            state.SkipWithError(whyNot.c_str());
            return;
        }
        if (!timedOut)
            state.SkipWithError("the silent host answered");
        state.counters["cpu_ms"] = cpuMs;
        state.counters["wall_ms"] = wallMs;
    }
}
BENCHMARK(PingTimeoutCpu)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix::bench

BENCHMARK_MAIN();
