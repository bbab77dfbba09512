#pragma once

#include "engine/run_metrics.h"
#include "engine/statistics.h"
#include "kit/fake_host.h"

#include <string>
#include <utility>
#include <vector>

namespace velnorix::kit {

// A run over targets given by type and address, started `msBeforeWrap` ms before the tick count
// wraps; Record gives a probe to the model's statistics and to the metrics, as the cycle does.
struct MetricsRig {
    MetricsRig(const std::vector<std::pair<std::string, std::string>>& targets,
               std::uint32_t msBeforeWrap) {
        for (const auto& [type, addr] : targets) {
            Model.SetTargetCount(Model.TargetCount() + 1);
            Model.Target(Model.TargetCount() - 1).SetType(type);
            Model.Target(Model.TargetCount() - 1).Addr = addr;
        }
        Clock.SetTick(0U - msBeforeWrap);
        Metrics.RunStarted(Model);
    }

    void Record(std::int32_t index, std::uint32_t elapsedMs, bool failed) {
        RecordResult(Model, index, elapsedMs, failed);
        ProbeOutcome outcome;
        outcome.ElapsedMs = elapsedMs;
        outcome.Failed = failed;
        Metrics.ProbeRecorded(Model, index, outcome);
    }

    FakeClock Clock;
    RunModel Model;
    RunMetrics Metrics{Clock};
};

} // namespace velnorix::kit
