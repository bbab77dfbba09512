#pragma once

#include "base/clock.h"
#include "base/text_format.h"
#include "engine/network_probes.h"
#include "engine/run_model.h"
#include "engine/test_scheduler.h"
#include "support/bounded_probes.h"
#include "support/fake_host.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdint>
#include <string_view>
#include <utility>

namespace velnorix::testing {

// Real tick counts, so the probes' times are measured; a fixed date, so the stamps are known.
// Safe to read from several threads at once, as probes running together do.
class RealTicksFixedDate final : public Clock {
public:
    std::uint32_t TickCount() override { return m_system.TickCount(); }
    LocalDateTime Now() override { return {2026, 12, 6, 14, 3, 27, 0}; }
    std::int64_t SecondsSinceEpoch() override { return m_system.SecondsSinceEpoch(); }

private:
    SystemClock m_system;
};

// The scheduler over the real network probes, every wait of which ends after `bound`, with
// fakes for the display, the status bar, the timers and the host, and a temporary directory for
// the run's logs. Cycles run several probes at once with what `parallel` makes, if anything.
struct RealProbeRig {
    explicit RealProbeRig(std::chrono::milliseconds bound, ProbeMakers parallel = {})
        : Probes(BoundedBy(bound)), Scheduler{{.Model = Model,
                                               .Display = Display,
                                               .StatusBar = StatusBar,
                                               .Timer1 = Timer1,
                                               .Timer2 = Timer2,
                                               .Clock = Clock,
                                               .Host = Host,
                                               .Probes = Probes.Components(),
                                               .Format = FormatSettings{},
                                               .ParallelProbes = std::move(parallel)}} {
        Host.SetLogDirectory(Dir.Path());
    }

    // Appends a target to the table and returns its 0-based index.
    std::int32_t AddTarget(std::string_view type, std::string_view addr, std::int32_t port,
                           bool audible = false) {
        const std::int32_t index = Model.TargetCount;
        Model.SetTargetCount(index + 1);
        TargetEntry& entry = Model.Target(index);
        entry.SetType(type);
        entry.Addr = addr;
        entry.Port = port;
        entry.Audible = audible;
        return index;
    }

    TempDir Dir;
    RunModel Model;
    FakeDisplay Display;
    FakeStatusLine StatusBar;
    FakeTimer Timer1;
    FakeTimer Timer2;
    RealTicksFixedDate Clock;
    FakeHost Host;
    NetworkProbes Probes;
    TestScheduler Scheduler;
};

} // namespace velnorix::testing
