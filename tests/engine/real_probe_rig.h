#pragma once

#include "base/clock.h"
#include "engine/network_probes.h"
#include "engine/test_scheduler.h"
#include "engine_rig.h"
#include "support/bounded_probes.h"

#include <chrono>
#include <cstdint>
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

// The scheduler over the real network probes, every wait of which ends after `bound`, with the
// fakes of FakeShell around it. Cycles run several probes at once with what `parallel` makes,
// if anything.
struct RealProbeRig : FakeShell {
    explicit RealProbeRig(std::chrono::milliseconds bound, ProbeMakers parallel = {})
        : Probes(BoundedBy(bound)),
          Scheduler(Parts(Clock, Probes.Components(), std::move(parallel))) {}

    RealTicksFixedDate Clock;
    NetworkProbes Probes;
    TestScheduler Scheduler;
};

} // namespace velnorix::testing
