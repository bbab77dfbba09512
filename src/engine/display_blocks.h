#pragma once

#include "engine/host.h"

#include <cstdint>

namespace velnorix {

// Holds the display's batched update open for its lifetime, so an error cannot leave the
// display waiting for an end that never comes.
class DisplayUpdate final {
public:
    explicit DisplayUpdate(DisplayLines& display) : m_display(display) { m_display.BeginUpdate(); }
    ~DisplayUpdate() { m_display.EndUpdate(); }
    DisplayUpdate(const DisplayUpdate&) = delete;
    DisplayUpdate& operator=(const DisplayUpdate&) = delete;

private:
    DisplayLines& m_display;
};

// Where a cycle inserts its block: below the header, or after the last line when trimming
// has left fewer lines than the header had.
int BlockInsertIndex(const DisplayLines& display, std::int32_t insertLine);

// Deletes blocks of targetCount + 1 lines from the bottom while more than maxLines lines
// beyond targetCount remain; each pass is one batched update. The first keepLines lines (the
// header and the newest block) always stay, however small the window: it scrolls instead.
void TrimOldBlocks(DisplayLines& display, std::int32_t targetCount, std::int32_t maxLines,
                   std::int32_t keepLines);

} // namespace velnorix
