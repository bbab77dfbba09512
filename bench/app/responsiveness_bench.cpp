// The longest time the main window's event loop goes unserved during one test cycle whose
// only target never answers, so the probe waits its whole time-out:
//   SilentPingCycle  a ping of 127.0.0.1 inside a private network namespace in which the
//                    kernel ignores echo requests (needs the right to create namespaces;
//                    skipped otherwise): the echo exchange waits the full 5,000 ms. The probe
//                    uses its datagram socket, which sees only replies; a raw socket on the
//                    loopback would take its own request for the answer.
//   SilentSmtpCycle  an SMTP target on a loopback listener that accepts and never greets,
//                    with a 5,000 ms read time-out; runs anywhere.
//   ClicksDuringSilentSmtpCycle  the same target with the program's own 30 s read time-out,
//                    while the File menu is clicked every 500 ms (queued as the windowing
//                    system queues a click): the longest time a click waited for its menu.
// A 1 ms heartbeat timer on the window's thread stamps every time the loop serves it; the
// longest gap between two stamps (and from the last stamp to the cycle's end) is the longest
// stall. The window runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "../offscreen_benchmark_main.h"
#include "app/main_form.h"
#include "app/qt_interval_timer.h"
#include "app/text_display.h"
#include "base/file_descriptor.h"
#include "base/text_file.h"
#include "click_meter.h"
#include "engine/display_header.h"
#include "engine/network_probes.h"
#include "kit/scripted_prompts.h"
#include "stall_meter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix {
namespace {

bool g_silentNetwork = false;
std::string g_silentNetworkProblem;

// Moves this process into a network namespace of its own with only the loopback up and echo
// requests ignored, so 127.0.0.1 is reachable but silent. Must run before any thread starts.
bool EnterSilentNetwork(std::string& problem) {
    if (::unshare(CLONE_NEWNET) != 0) {
        problem = std::string("cannot create a network namespace: ") + std::strerror(errno);
        return false;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ::ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    if (fd >= 0)
        ::close(fd);
    std::ofstream ignoreEchoes("/proc/sys/net/ipv4/icmp_echo_ignore_all");
    ignoreEchoes << "1\n";
    ignoreEchoes.close();
    std::ofstream pingGroups("/proc/sys/net/ipv4/ping_group_range");
    pingGroups << "0 2147483647\n";
    pingGroups.close();
    if (!up || !ignoreEchoes || !pingGroups) {
        problem = "cannot set up the loopback of the private network namespace";
        return false;
    }
    return true;
}

std::string Configuration(const char* type, const std::string& address, int port) {
    return std::string("[Targets]\r\nDeleteLogs=TRUE\r\nIntervalHours=1\r\nIntervalMins=0\r\n"
                       "IntervalSecs=0\r\nCount=1\r\n01Type=") +
           type + "\r\n01Addr=" + address +
           "\r\n01Audible=FALSE\r\n01Port=" + std::to_string(port) + "\r\n";
}

// Runs cycles of a main window over the given configuration and reports the stalls.
void MeasureCycles(benchmark::State& state, const std::string& configuration,
                   const NetworkProbeSettings& settings, bool datagramPing = false,
                   bool clicking = false) {
    std::string folder = (std::filesystem::temp_directory_path() / "velnorix-stall-XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("cannot create a temporary folder");
        return;
    }
    WriteNewFile(folder + "/watch.ini", configuration);
    NetworkProbes probes(settings);
    if (datagramPing)
        probes.Ping().SetSocketKinds({IcmpSocketKind::Datagram});
    kit::ScriptedPrompts prompts; // answers nothing: no prompt may stop the measurement
    MainFormSetup setup;
    setup.Folders = FoldersBeside(folder);
    setup.Prompts = &prompts;
    setup.Probes.emplace(probes.Components());
    setup.Arguments = {"watch.ini"};
    TMainForm form(std::move(setup));
    form.Timer2().SetEnabled(false); // cycles start here, not a second later
    form.show();
    QApplication::processEvents();

    bench::StallMeter meter;
    bench::ClickMeter clicks(*form.menuBar(), 500);
    double longestClick = 0;
    int clicksAnswered = 0;
    double longest = 0;
    double cycleMs = 0;
    int beats = 0;
    bool failed = true;
    for (auto _ : state) {
        QElapsedTimer cycle;
        meter.Start();
        if (clicking)
            clicks.Start();
        cycle.start();
        form.StartTest1Click();
        meter.Stop();
        clicks.Stop();
        QApplication::processEvents(); // a click still queued is answered, however late
        longestClick = std::max(longestClick, clicks.LongestMs());
        clicksAnswered += clicks.Answered();
        const double seconds = static_cast<double>(cycle.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        cycleMs = std::max(cycleMs, seconds * 1000);
        longest = std::max(longest, meter.LongestMs());
        beats += meter.Beats();
        failed &= form.Display().Count() > 0 &&
                  form.Display().Line(HeaderLineCount(form.Model().Config)).find("Failure:") !=
                      std::string::npos;
    }
    state.counters["longest_stall_ms"] = longest;
    state.counters["longest_cycle_ms"] = cycleMs;
    state.counters["heartbeats_per_cycle"] =
        benchmark::Counter(beats, benchmark::Counter::kAvgIterations);
    if (clicking) {
        state.counters["longest_click_ms"] = longestClick;
        state.counters["clicks_answered_per_cycle"] =
            benchmark::Counter(clicksAnswered, benchmark::Counter::kAvgIterations);
    }
    if (!failed)
        state.SkipWithError("the silent target answered: nothing was measured");
    if (!prompts.Boxes().empty())
        state.SkipWithError(("a message came up: " + prompts.Boxes().front().Text).c_str());
    form.Model().Config.DeleteLogs = true;
    form.close();
    std::filesystem::remove_all(folder);
}

void SilentPingCycle(benchmark::State& state) {
    if (!g_silentNetwork) {
        state.SkipWithError(g_silentNetworkProblem.c_str());
        return;
    }
    MeasureCycles(state, Configuration("<Ping>", "127.0.0.1", 0), NetworkProbeSettings{}, true);
}

void SilentSmtpCycles(benchmark::State& state, std::chrono::milliseconds readTimeout,
                      bool clicking) {
    // A listener that never accepts: the kernel completes the connection and nobody ever
    // greets on it, for as long as the probe waits.
    const FileDescriptor silent(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    if (::bind(silent.Get(), any, length) != 0 || ::listen(silent.Get(), 8) != 0 ||
        ::getsockname(silent.Get(), any, &length) != 0) {
        state.SkipWithError("cannot listen on the loopback");
        return;
    }
    NetworkProbeSettings settings;
    settings.Mail.ReadTimeout = readTimeout;
    MeasureCycles(state, Configuration("<SMTP>", "127.0.0.1", ntohs(address.sin_port)), settings,
                  false, clicking);
}

void SilentSmtpCycle(benchmark::State& state) {
    SilentSmtpCycles(state, std::chrono::milliseconds(5'000), false);
}

void ClicksDuringSilentSmtpCycle(benchmark::State& state) {
    SilentSmtpCycles(state, NetworkProbeSettings{}.Mail.ReadTimeout, true);
}

BENCHMARK(SilentPingCycle)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SilentSmtpCycle)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ClicksDuringSilentSmtpCycle)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velnorix

int main(int argc, char** argv) {
    velnorix::g_silentNetwork = velnorix::EnterSilentNetwork(velnorix::g_silentNetworkProblem);
    return velnorix::bench::RunOffscreenBenchmarks(argc, argv);
}
