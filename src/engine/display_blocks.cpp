#include "engine/display_blocks.h"

#include <algorithm>

namespace velnorix {

int BlockInsertIndex(const DisplayLines& display, std::int32_t insertLine) {
    return std::clamp(insertLine, 0, display.Count());
}

void TrimOldBlocks(DisplayLines& display, std::int32_t targetCount, std::int32_t maxLines,
                   std::int32_t keepLines) {
    const std::int64_t blockLines = std::int64_t{targetCount} + 1;
    const int keep = std::max(keepLines, 0);
    while (display.Count() > keep && std::int64_t{display.Count()} - targetCount > maxLines) {
        DisplayUpdate update(display);
        for (std::int64_t n = 0; n < blockLines && display.Count() > keep; ++n)
            display.Delete(display.Count() - 1);
    }
}

} // namespace velnorix
