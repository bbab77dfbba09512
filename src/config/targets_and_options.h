#pragma once

#include "engine/run_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velnorix {

// What the configuration dialog edits: the target list as entry texts, the interval, the
// option, the certificate expiry warning and how many probes run at once; the trust bundle
// stays as the file set it. The run model is read into this when the dialog opens and written
// back only when the operator confirms, so nothing outside the dialog changes before that.
struct TargetsAndOptions {
    std::vector<std::string> Entries;
    std::int32_t IntervalHours = 0;
    std::int32_t IntervalMins = 0;
    std::int32_t IntervalSecs = 0;
    bool DeleteLogs = false;
    bool Notify = false;
    std::int32_t CertWarnDays = 0;
    std::int32_t Parallel = 1;
};

// One entry for each target in use, with the model's interval and option.
TargetsAndOptions ReadTargetsAndOptions(const RunModel& model);

// The confirmation: marks the configuration unsaved, replaces the table with exactly the
// listed targets (statistics start from zero even when nothing was edited), takes the option,
// the interval, the expiry warning and the probes at once, and enables starting a test. The
// display header is the caller's to redraw.
void ApplyTargetsAndOptions(const TargetsAndOptions& settings, RunModel& model);

} // namespace velnorix
