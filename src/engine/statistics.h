#pragma once

#include "base/text_format.h"
#include "engine/run_model.h"

#include <cstdint>
#include <string>

namespace velnorix {

// Folds one probe outcome into the statistics of the entry at `index` (0-based).
void RecordResult(RunModel& model, std::int32_t index, std::uint32_t elapsedMs, bool failed);

// Derived figures shared by the summary log and the performance window. Each returns its fixed
// placeholder when its rule does not apply.
inline constexpr std::string_view kZeroPercentText = "   0.0";
inline constexpr std::string_view kZeroSecondsText = "   0.00";

// "%5.1f" of the per cent of successful attempts; "   0.0" when failures equal attempts.
std::string PercentSuccessText(std::int64_t attempts, std::int64_t failures,
                               const FormatSettings& settings);
// "%7.2f" of totalMs / attempts / 1000; "   0.00" when totalMs is 0.
std::string AverageSecondsText(std::uint64_t totalMs, std::int64_t attempts,
                               const FormatSettings& settings);
// "%7.2f" of ms / 1000; "   0.00" when ms is 0.
std::string SecondsText(std::uint32_t ms, const FormatSettings& settings);

// Running sums over the entries in table order, with the overall low and high rules: the low
// is taken whenever the running value is 0 or greater than the entry's, so an entry without a
// value (0) sets it back to "no value".
struct StatisticsTotals {
    std::int64_t Attempts = 0;
    std::int64_t Failures = 0;
    std::uint64_t TotalMs = 0;
    std::uint32_t LowMs = 0;
    std::uint32_t HighMs = 0;

    void Add(const TargetStatistics& entry);
};

StatisticsTotals TotalsOf(const RunModel& model);

} // namespace velnorix
