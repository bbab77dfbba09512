#pragma once

#include <algorithm>
#include <string>
#include <vector>

namespace velnorix::kit {

// A detail log of `lineCount` result lines with CR LF ends, failed on the given 1-based lines.
inline std::string DetailLogFailingOn(const std::vector<int>& failedLines, int lineCount) {
    std::string log;
    for (int line = 1; line <= lineCount; ++line) {
        const bool failed =
            std::find(failedLines.begin(), failedLines.end(), line) != failedLines.end();
        log += "   1 14:03:27 Dec 06, 2026  ";
        log += failed ? "Failure:  5.02" : "Success:  0.10";
        log += " secs  <Ping>192.0.2." + std::to_string(line) + "\r\n";
    }
    return log;
}

} // namespace velnorix::kit
