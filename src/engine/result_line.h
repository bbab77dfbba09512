#pragma once

#include "base/date_time.h"
#include "base/text_format.h"
#include "engine/run_model.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velnorix {

// The cycle number and the moment a target's turn began: "   3 14:03:27 Dec 06, 2026  ".
std::string ResultLinePrefix(std::int32_t cycle, const LocalDateTime& begun,
                             const FormatSettings& settings);

// One tested target's line, shown on the display and written to the detail log:
// "   3 14:03:27 Dec 06, 2026  Failure:  5.02 secs  <Ping>192.0.2.10".
std::string ResultLine(std::string_view prefix, bool failed, std::uint32_t elapsedMs,
                       const TargetSettings& entry, const FormatSettings& settings);

} // namespace velnorix
