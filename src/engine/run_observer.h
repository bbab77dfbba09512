#pragma once

#include "engine/run_model.h"
#include "engine/target_probe.h"

#include <cstdint>

namespace velnorix {

// Told about a run as it goes, after the model has taken each change; the metrics and the
// charts listen here so the cycle itself knows nothing of them.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    virtual void RunStarted(const RunModel& model) = 0;
    virtual void CycleStarted(const RunModel& model) = 0;
    // The entry at `index` (0-based) has just recorded this probe.
    virtual void ProbeRecorded(const RunModel& model, std::int32_t index,
                               const ProbeOutcome& outcome) = 0;
    virtual void CycleEnded(const RunModel& model) = 0;
};

} // namespace velnorix
