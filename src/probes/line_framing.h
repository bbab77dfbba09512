#pragma once

#include <cstddef>
#include <string_view>

namespace velnorix {

enum class LineScanStatus { Complete, Incomplete, TooLong };

struct LineScan {
    LineScanStatus Status = LineScanStatus::Incomplete;
    // For a complete line: its text, without the LF and a CR right before it ...
    std::string_view Line;
    // ... and the bytes it takes up in the buffer, LF included.
    std::size_t Consumed = 0;
};

// Looks for the first line in received bytes. A line ends at LF; more than `maxLineLength`
// characters before the LF (a CR counts), or buffered without any LF, make it too long.
LineScan ScanLine(std::string_view buffered, std::size_t maxLineLength);

} // namespace velnorix
