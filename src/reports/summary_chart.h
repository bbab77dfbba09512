#pragma once

#include "engine/run_metrics.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace velnorix {

// What the performance window charts for its summary row once a line per target would be too
// many to read or draw: the median of every target's response per cycle and the few slowest
// targets. Each history is one target's probes, oldest first.
using TargetHistories = std::vector<const std::deque<ProbeSample>*>;

// The median response of the successes of each cycle, oldest first, at the median time those
// probes ended. A target probed in every cycle has its k-th newest probe in the k-th newest
// cycle, so probes are matched counting back from each target's newest.
[[nodiscard]] std::deque<ProbeSample> MedianPerCycle(const TargetHistories& histories);

// The positions of at most `count` targets whose kept probes took longest on average, slowest
// first; targets without probes are left out.
[[nodiscard]] std::vector<std::int32_t> SlowestTargets(const TargetHistories& histories,
                                                       std::size_t count);

} // namespace velnorix
