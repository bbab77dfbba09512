#pragma once

#include "engine/monitor.h"
#include "engine/network_probes.h"
#include "engine_rig.h"
#include "kit/fake_host.h"
#include "support/bounded_probes.h"

#include <chrono>
#include <utility>

namespace velnorix::kit {

// The scheduler over the real network probes, every wait of which ends after `bound`, with the
// fakes of FakeShell around it. Cycles run several probes at once with what `parallel` makes,
// if anything.
struct RealProbeRig : FakeShell {
    explicit RealProbeRig(std::chrono::milliseconds bound, ProbeMakers parallel = {})
        : Probes(BoundedBy(bound)), Built(Parts(Clock, Probes.Components(), std::move(parallel))) {}

    // Real ticks, so the probes' times are measured; a fixed date, so the stamps are known.
    FakeClock Clock{FakeClock::Ticks::Real};
    NetworkProbes Probes;
    Monitor Built;
    TestScheduler& Scheduler = Built.Scheduler();
};

} // namespace velnorix::kit
