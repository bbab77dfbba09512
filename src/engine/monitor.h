#pragma once

#include "engine/network_probes.h"
#include "engine/scheduler_parts.h"
#include "engine/test_scheduler.h"

#include <memory>

namespace velnorix {

// The one way a monitor is put together, for the window, the console, the tests and the
// benchmarks alike: the scheduler over the caller's parts, probing the network unless the
// parts bring probes of their own.
class Monitor final {
public:
    // Without parts.Probes the monitor owns network probes made with `network`, and, when
    // parts.ParallelProbes is empty too, makes its probes run at once the same way.
    explicit Monitor(SchedulerParts parts, const NetworkProbeSettings& network = {});
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    [[nodiscard]] TestScheduler& Scheduler() { return m_scheduler; }

private:
    static SchedulerParts WithNetwork(SchedulerParts parts, NetworkProbes* network,
                                      const NetworkProbeSettings& settings);

    std::unique_ptr<NetworkProbes> m_network; // ahead of the scheduler, which probes with it
    TestScheduler m_scheduler;
};

} // namespace velnorix
