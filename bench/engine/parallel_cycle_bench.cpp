#include "engine/display_header.h"
#include "engine/monitor.h"
#include "engine/network_probes.h"
#include "engine/run_model.h"
#include "kit/fake_host.h"
#include "root_benchmark_main.h"
#include "support/bounded_probes.h"
#include "support/counted_probes.h"
#include "support/loopback_server.h"
#include "support/network_namespace.h"
#include "support/service_scripts.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

// One cycle over real probes against scripted servers, all inside a network namespace of its
// own, at several numbers of probes at once; fping over the same hosts as a yardstick. Needs
// root for the namespace.
namespace velnorix::bench {
namespace {

using namespace std::chrono_literals;
using kit::Connection;
using kit::LoopbackServer;
using kit::NetworkNamespace;
using kit::ServerScript;

// How long a probe waits for an echo reply, a connect or a server's next line.
constexpr std::chrono::milliseconds kBound = 1s;
constexpr int kLivePerType = 50;
constexpr int kSilentPerType = 5;
// Every eleventh target is a silent one, so they are spread over the table.
constexpr int kSilentEvery = 11;

LoopbackServer::Handler Serving(ServerScript script) {
    return [script = std::move(script)](Connection& connection) { script.Play(connection); };
}

// The namespace and its servers, made once for all cases. Live pings go to addresses of the
// namespace's loopback, 127.0.0.1 onwards; silent ones to hosts behind a veth link whose far end
// drops everything; silent web and mail targets connect to a listener that never speaks.
class Environment final {
public:
    // Nothing, with the reason in `whyNot`, where the namespace cannot be made.
    static Environment* Get(std::string& whyNot) {
        static std::string failure;
        static const std::unique_ptr<Environment> made = Make(failure);
        whyNot = failure;
        return made.get();
    }

    [[nodiscard]] static std::vector<std::string> LivePingHosts() {
        std::vector<std::string> hosts;
        for (int i = 1; i <= kLivePerType; ++i)
            hosts.push_back("127.0.0." + std::to_string(i));
        return hosts;
    }
    [[nodiscard]] static std::vector<std::string> SilentPingHosts() {
        std::vector<std::string> hosts;
        for (int i = 2; i < 2 + kSilentPerType; ++i)
            hosts.push_back("198.51.100." + std::to_string(i));
        return hosts;
    }

    [[nodiscard]] const NetworkNamespace& Namespace() const { return *m_namespace; }
    [[nodiscard]] std::uint16_t WebPort() const { return m_web->Port(); }
    [[nodiscard]] std::uint16_t Pop3Port() const { return m_pop3->Port(); }
    [[nodiscard]] std::uint16_t SmtpPort() const { return m_smtp->Port(); }
    [[nodiscard]] std::uint16_t SilentPort() const { return m_silent->Port(); }

private:
    static std::unique_ptr<Environment> Make(std::string& whyNot) {
        std::unique_ptr<NetworkNamespace> space = NetworkNamespace::Create(whyNot);
        if (!space)
            return nullptr;
        if (!space->AddSilentHosts(SilentPingHosts())) {
            whyNot = "cannot add the silent hosts' link to the namespace";
            return nullptr;
        }
        std::unique_ptr<Environment> made(new Environment(std::move(space)));
        made->m_namespace->Run([&made] {
            made->m_web = std::make_unique<LoopbackServer>(Serving(kit::WebPage()));
            made->m_pop3 =
                std::make_unique<LoopbackServer>(Serving(kit::Pop3Login("ann", "s3cret")));
            made->m_smtp = std::make_unique<LoopbackServer>(Serving(kit::SmtpGreeting()));
            made->m_silent = std::make_unique<LoopbackServer>(Serving(ServerScript().Silence()));
        });
        return made;
    }

    explicit Environment(std::unique_ptr<NetworkNamespace> space) : m_namespace(std::move(space)) {}

    std::unique_ptr<NetworkNamespace> m_namespace;
    std::unique_ptr<LoopbackServer> m_web;
    std::unique_ptr<LoopbackServer> m_pop3;
    std::unique_ptr<LoopbackServer> m_smtp;
    std::unique_ptr<LoopbackServer> m_silent;
};

// The live targets, fifty of each type, with the silent ones spread among them when asked.
void AddTargets(RunModel& model, const Environment& environment, bool withSilent) {
    static constexpr std::string_view kTags[] = {kTagPing, kTagHtml, kTagPop3, kTagSmtp};
    const std::vector<std::string> liveHosts = Environment::LivePingHosts();
    const std::vector<std::string> silentHosts = Environment::SilentPingHosts();
    const std::uint16_t livePorts[] = {0, environment.WebPort(), environment.Pop3Port(),
                                       environment.SmtpPort()};
    const int live = 4 * kLivePerType;
    const int silent = withSilent ? 4 * kSilentPerType : 0;
    model.SetTargetCount(live + silent);
    int liveMade = 0;
    int silentMade = 0;
    for (int i = 0; i < live + silent; ++i) {
        const bool isSilent = silentMade < silent && i % kSilentEvery == kSilentEvery - 1;
        const int index = isSilent ? silentMade++ : liveMade++;
        TargetSettings& entry = model.Target(i);
        entry.SetType(kTags[index % 4]);
        entry.Audible = false;
        entry.User = "ann";
        entry.Password = "s3cret";
        entry.Port = isSilent && index % 4 != 0 ? environment.SilentPort() : livePorts[index % 4];
        entry.Addr = "127.0.0.1";
        if (index % 4 == 0)
            entry.Addr =
                (isSilent ? silentHosts : liveHosts).at(static_cast<std::size_t>(index / 4));
        if (index % 4 == 1)
            entry.Addr = "http://127.0.0.1:" + std::to_string(entry.Port) + "/";
    }
}

// A scheduler over real probes with its logs going nowhere.
class CycleRun final {
public:
    CycleRun(const Environment& environment, int parallel, bool withSilent)
        : m_silentWaits(
              [] {
                  const std::vector<std::string> hosts = Environment::SilentPingHosts();
                  return std::set<std::string>(hosts.begin(), hosts.end());
              }(),
              environment.SilentPort()) {
        m_host.SetLogDirectory("/dev/null");
        AddTargets(m_model, environment, withSilent);
        m_model.Config.Parallel = parallel;
        m_model.DetailLogName = "/dev/null";
        m_model.SummaryLogName = "/dev/null";
        ShowTargetHeader(m_model.Config, m_display);
    }

    void Cycle() { m_scheduler.OnIntervalElapsed(); }
    [[nodiscard]] int Failures() const {
        int failures = 0;
        for (int i = 0; i < m_model.TargetCount(); ++i)
            failures += m_model.StatisticsOf(i).Failures;
        return failures;
    }
    [[nodiscard]] int Targets() const { return m_model.TargetCount(); }
    // The most probes of silent targets the pool's workers waited on at once; 0 when the cycle
    // probed one target at a time without the pool.
    [[nodiscard]] int SilentPeak() { return m_silentWaits.Peak(); }

private:
    RunModel m_model;
    kit::FakeDisplay m_display{kit::Keep::ShownOnly};
    kit::FakeStatusLine m_status{kit::Keep::ShownOnly};
    kit::FakeTimer m_timer1;
    kit::FakeTimer m_timer2;
    SystemClock m_clock;
    kit::FakeHost m_host;
    kit::WaitCounter m_silentWaits;
    // Bounded network probes; at once, their waits are counted.
    Monitor m_monitor{{.Model = m_model,
                       .Display = m_display,
                       .StatusBar = m_status,
                       .CycleTimer = m_timer1,
                       .StartTimer = m_timer2,
                       .Clock = m_clock,
                       .Host = m_host,
                       .Format = FormatSettings{},
                       .ParallelProbes = kit::CountingWaits(
                           NetworkProbeMakers(kit::BoundedBy(kBound)), m_silentWaits)},
                      kit::BoundedBy(kBound)};
    TestScheduler& m_scheduler = m_monitor.Scheduler();
};

// Arguments: probes at once; 1 with the silent targets, 0 without.
void BM_ParallelCycle(benchmark::State& state) {
    std::string whyNot;
    const Environment* environment = Environment::Get(whyNot);
    if (environment == nullptr) {
        state.SkipWithError(whyNot.c_str());
        return;
    }
    CycleRun run(*environment, static_cast<int>(state.range(0)), state.range(1) != 0);
    // The pool starts in the first cycle, on the namespace's thread, so its workers are inside.
    for (auto _ : state)
        environment->Namespace().Run([&run] { run.Cycle(); });
    state.counters["targets"] = run.Targets();
    state.counters["failures"] = run.Failures();
    state.counters["pool_silent_peak"] = run.SilentPeak();
    state.counters["bound_ms"] = static_cast<double>(kBound.count());
}
BENCHMARK(BM_ParallelCycle)
    ->ArgNames({"parallel", "silent"})
    ->ArgsProduct({{1, 8, 32, 64}, {1, 0}})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// fping with one echo request per host and the same bound, over the cycle's ping hosts, the
// whole command timed. Argument: 1 with the silent hosts, 0 without.
void BM_Fping(benchmark::State& state) {
    std::string whyNot;
    const Environment* environment = Environment::Get(whyNot);
    if (environment == nullptr) {
        state.SkipWithError(whyNot.c_str());
        return;
    }
    if (std::system("command -v fping >/dev/null 2>&1") != 0) {
        state.SkipWithError("fping is not installed (scripts/install-deps installs it)");
        return;
    }
    std::vector<std::string> hosts = Environment::LivePingHosts();
    if (state.range(0) != 0)
        for (const std::string& host : Environment::SilentPingHosts())
            hosts.push_back(host);
    std::string command = "fping -q -c1 -t" + std::to_string(kBound.count());
    for (const std::string& host : hosts)
        command += " " + host;
    // fping's status tells whether every host answered, which is not what is measured here.
    for (auto _ : state)
        static_cast<void>(environment->Namespace().Exec(command));
    state.counters["hosts"] = static_cast<double>(hosts.size());
    state.counters["bound_ms"] = static_cast<double>(kBound.count());
}
BENCHMARK(BM_Fping)
    ->ArgNames({"silent"})
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix::bench

int main(int argc, char** argv) {
    std::printf("bound: %lld ms for echo replies, connects and web and mail reads\n",
                static_cast<long long>(velnorix::bench::kBound.count()));
    return velnorix::bench::RunBenchmarksAsRoot(
        argc, argv, "parallel_cycle_bench",
        "it makes a network namespace with hosts that never answer");
}
