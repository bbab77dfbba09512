#pragma once

#include "engine/run_metrics.h"
#include "engine/statistics.h"
#include "support/fake_host.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velnorix::testing {

// A run over targets given by type and address whose probes reach both the model's statistics
// and the run's metrics, as the test cycle records them. The run starts `msBeforeWrap`
// milliseconds before the tick count wraps.
struct MetricsRig {
    MetricsRig(const std::vector<std::pair<std::string, std::string>>& targets,
               std::uint32_t msBeforeWrap) {
        Model.SetTargetCount(static_cast<std::int32_t>(targets.size()));
        for (std::int32_t i = 0; i < Model.TargetCount; ++i) {
            Model.Target(i).SetType(targets[static_cast<std::size_t>(i)].first);
            Model.Target(i).Addr = targets[static_cast<std::size_t>(i)].second;
        }
        Clock.SetTick(0U - msBeforeWrap);
        Metrics.RunStarted(Model);
    }

    // A probe of target `index` that ends now.
    void Record(std::int32_t index, std::uint32_t elapsedMs, bool failed) {
        RecordResult(Model, index, elapsedMs, failed);
        Metrics.ProbeRecorded(Model, index, elapsedMs, failed);
    }

    FakeClock Clock;
    RunModel Model;
    RunMetrics Metrics{Clock};
};

} // namespace velnorix::testing
