#pragma once

#include "base/text_format.h"
#include "engine/monitor.h"
#include "engine/run_model.h"
#include "kit/fake_host.h"
#include "support/fake_probes.h"
#include "support/temp_dir.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velnorix::kit {

// The fakes around the engine (display, status bar, timers, host) and a temporary program
// directory for the run's logs: what every scheduler rig of the tests shares.
struct FakeShell {
    FakeShell() { Host.SetLogDirectory(Dir.Path()); }

    // Appends a target to the table and returns its 0-based index.
    std::int32_t AddTarget(std::string_view type, std::string_view addr, std::int32_t port = 0,
                           bool audible = false) {
        const std::int32_t index = Model.TargetCount();
        Model.SetTargetCount(index + 1);
        TargetSettings& entry = Model.Target(index);
        entry.SetType(type);
        entry.Addr = addr;
        entry.Port = port;
        entry.Audible = audible;
        return index;
    }

    // A scheduler's parts over these fakes, probing with `probes` (the network's when none) on
    // `clock`, and several at once with what `parallel` makes.
    SchedulerParts Parts(velnorix::Clock& clock, std::optional<ProbeComponents> probes,
                         ProbeMakers parallel) {
        return {.Model = Model,
                .Display = Display,
                .StatusBar = StatusBar,
                .CycleTimer = Timer1,
                .StartTimer = Timer2,
                .Clock = clock,
                .Host = Host,
                .Probes = probes,
                .Format = FormatSettings{},
                .ParallelProbes = std::move(parallel)};
    }

    [[nodiscard]] std::string DetailLog() const { return ReadWholeFile(Model.DetailLogName); }
    [[nodiscard]] std::string SummaryLog() const { return ReadWholeFile(Model.SummaryLogName); }

    TempDir Dir;
    RunModel Model;
    FakeDisplay Display;
    FakeStatusLine StatusBar;
    FakeTimer Timer1;
    FakeTimer Timer2;
    FakeHost Host;
};

// The scheduler and its cycle over scripted fakes. The clock starts at 14:03:27 on 6 December
// 2026 with the tick counter at 0.
struct EngineRig : FakeShell {
    EngineRig() : EngineRig(ProbeMakers{}) {}
    // A rig whose cycles run several probes at once with what `parallel` makes.
    explicit EngineRig(ProbeMakers parallel)
        : Built(Parts(Clock, Probes.Components(), std::move(parallel))) {}

    // One Timer1 tick, delivered only when the timer would really tick.
    void Tick() {
        if (Timer1.WouldTick())
            Scheduler.OnIntervalElapsed();
    }

    FakeClock Clock;
    FakeProbes Probes{Clock, Host};
    Monitor Built;
    TestScheduler& Scheduler = Built.Scheduler();
};

} // namespace velnorix::kit
