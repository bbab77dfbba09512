#pragma once

#include "base/date_time.h"
#include "base/text_format.h"
#include "engine/run_model.h"

#include <string>

namespace velnorix {

// The first two lines of every summary log, CR LF included.
std::string SummaryLogHeader();

// One cycle's block: a row per target, the totals row stamped with `now`, a one-space line.
std::string FormatSummaryBlock(const RunModel& model, const LocalDateTime& now,
                               const FormatSettings& settings);

// Appends the cycle's block to the summary log named by the model. Throws FileError when the
// file cannot be opened or written; the model is never changed.
void WriteSummary(const RunModel& model, const LocalDateTime& now, const FormatSettings& settings);

} // namespace velnorix
