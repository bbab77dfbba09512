#pragma once

#include "base/date_time.h"
#include "base/text_format.h"
#include "engine/run_model.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

inline constexpr std::size_t kPerformanceColumnCount = 9;

inline constexpr std::array<std::string_view, kPerformanceColumnCount> kPerformanceColumns = {
    "Target", "Type",     "Attempt",  "Success", "Failure",
    "% Succ", "Avg Resp", "Low Resp", "Hgh Resp"};

using PerformanceRow = std::array<std::string, kPerformanceColumnCount>;

// The performance table: a row per target in use, in table order, then the summary row with
// the totals over all targets and the time since the run started. Counts are right-aligned in
// six characters, per cents and seconds come as the summary log writes them. Before the first
// run of the program the summary shows a span of "0:00:00".
std::vector<PerformanceRow> PerformanceRows(const RunModel& model, const LocalDateTime& now,
                                            const FormatSettings& settings);

} // namespace velnorix
