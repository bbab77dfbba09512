#include "engine/network_probes.h"
#include "engine/probe_pool.h"
#include "root_benchmark_main.h"
#include "support/network_namespace.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// 10,000 pings to live loopback hosts through the probe pool, as a parallel cycle runs them, on
// each kind of ICMP socket and at several numbers of probes at once, inside a network namespace
// of its own. Every host answers, so every failure is a reply the program lost; how many there
// are depends on how busy the machine is. Needs root for the namespace.
namespace velnorix::bench {
namespace {

using kit::NetworkNamespace;

constexpr int kPings = 10000;

const NetworkNamespace* Namespace(std::string& whyNot) {
    static std::string failure;
    static const std::unique_ptr<NetworkNamespace> made = [] {
        std::unique_ptr<NetworkNamespace> space = NetworkNamespace::Create(failure);
        // Root's group may open datagram ICMP sockets too.
        if (space)
            space->SetSysctl("net/ipv4/ping_group_range", "0 2147483647");
        return space;
    }();
    whyNot = failure;
    return made.get();
}

// The real probe makers, their echo probes held to one socket kind.
ProbeMakers EchoMakers(IcmpSocketKind kind) {
    const ProbeMakers real = NetworkProbeMakers();
    return ProbeMakers{.Worker =
                           [real, kind] {
                               std::unique_ptr<ProbeSet> probes = real.Worker();
                               static_cast<NetworkProbes&>(*probes).Ping().SetSocketKinds({kind});
                               return probes;
                           },
                       .Web = real.Web};
}

// Arguments: 0 for raw sockets, 1 for datagram sockets; probes at once; 4 for 127.x hosts, 6
// for ::1.
void BM_EchoLoss(benchmark::State& state) {
    std::string whyNot;
    const NetworkNamespace* space = Namespace(whyNot);
    if (space == nullptr) {
        state.SkipWithError(whyNot.c_str());
        return;
    }
    const IcmpSocketKind kind =
        state.range(0) == 0 ? IcmpSocketKind::Raw : IcmpSocketKind::Datagram;
    const auto parallel = static_cast<std::int32_t>(state.range(1));
    std::vector<ProbeJob> jobs(kPings);
    for (int i = 0; i < kPings; ++i) {
        jobs[i].Type = TestType::Ping;
        jobs[i].Position = i;
        jobs[i].Entry.Addr = state.range(2) == 6 ? "::1" : "127.0.0." + std::to_string(1 + i % 250);
    }
    int failures = 0;
    std::map<std::string, int> reasons;
    for (auto _ : state) {
        // Made on the namespace's thread, so the pool's workers are inside.
        space->Run([&] {
            SystemClock clock;
            ProbePool pool(parallel, EchoMakers(kind), clock);
            pool.Start(jobs, TlsTrust{});
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                const std::optional<FinishedProbe> finished = pool.Take(i);
                if (finished && finished->Outcome.Failed) {
                    ++failures;
                    ++reasons[finished->Outcome.Reason];
                }
            }
        });
    }
    for (const auto& [reason, count] : reasons)
        std::printf("  %s, %d probes at once: %d x %s\n",
                    kind == IcmpSocketKind::Raw ? "raw" : "dgram", parallel, count, reason.c_str());
    state.counters["failures_per_10k"] = failures * 10000.0 / kPings;
}
BENCHMARK(BM_EchoLoss)
    ->ArgNames({"dgram", "parallel", "family"})
    ->ArgsProduct({{0, 1}, {1, 8, 64}, {4, 6}})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix::bench

int main(int argc, char** argv) {
    return velnorix::bench::RunBenchmarksAsRoot(argc, argv, "echo_loss_bench",
                                                "it makes a network namespace of its own");
}
