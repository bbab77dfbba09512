#pragma once

#include "base/text_format.h"
#include "engine/run_model.h"
#include "engine/test_scheduler.h"
#include "support/fake_host.h"
#include "support/fake_probes.h"
#include "support/temp_dir.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace velnorix::testing {

// The scheduler and its cycle over scripted fakes, with a temporary program directory for the
// run's logs. The clock starts at 14:03:27 on 6 December 2026 with the tick counter at 0.
struct EngineRig {
    EngineRig() : EngineRig(ProbeMakers{}) {}
    // A rig whose cycles run several probes at once with what `parallel` makes.
    explicit EngineRig(ProbeMakers parallel)
        : Scheduler{{.Model = Model,
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
    std::int32_t AddTarget(std::string_view type, std::string_view addr, std::int32_t port = 0,
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

    // One Timer1 tick, delivered only when the timer would really tick.
    void Tick() {
        if (Timer1.WouldTick())
            Scheduler.Timer1Timer();
    }

    [[nodiscard]] std::string DetailLog() const { return ReadWholeFile(Model.DetailLogName); }
    [[nodiscard]] std::string SummaryLog() const { return ReadWholeFile(Model.SummaryLogName); }

    TempDir Dir;
    RunModel Model;
    FakeDisplay Display;
    FakeStatusLine StatusBar;
    FakeTimer Timer1;
    FakeTimer Timer2;
    FakeClock Clock;
    FakeHost Host;
    FakeProbes Probes{Clock, Host};
    TestScheduler Scheduler;
};

} // namespace velnorix::testing
