#include "engine/result_line.h"

namespace velnorix {

std::string ResultLinePrefix(std::int32_t cycle, const LocalDateTime& begun,
                             const FormatSettings& settings) {
    return PadLeft(std::to_string(cycle), 4) + " " + FormatTimeStamp(begun, settings);
}

std::string ResultLine(std::string_view prefix, bool failed, std::uint32_t elapsedMs,
                       const TargetSettings& entry, const FormatSettings& settings) {
    std::string line(prefix);
    line += failed ? "Failure: " : "Success: ";
    line += FormatRatio(elapsedMs, 1000, 2, 5, settings);
    line += " secs  ";
    line += entry.Type;
    line += entry.ShownAddr();
    return line;
}

} // namespace velnorix
