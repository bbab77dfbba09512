#pragma once

#include "reports/log_text.h"

#include <optional>

namespace velnorix {

// A selection as the log display shows it: it spans from the anchor to the caret.
struct TextSelection {
    TextPosition Anchor;
    TextPosition Caret;

    friend bool operator==(const TextSelection&, const TextSelection&) = default;
};

// The failure search of the log display. Matches are exact ("failure:" is not one), may start
// anywhere in a line and never span lines. A match found forward is selected with the caret at
// its end, one found backward with the caret at its start, so that searching again from the
// caret moves on to the next match in the same direction.

// The first match that starts at or after `from` in its line, else the first in a later line.
std::optional<TextSelection> FindFailureForward(const LogText& text, TextPosition from);
// The last match that starts before `from` in its line, else the last in an earlier line.
std::optional<TextSelection> FindFailureBackward(const LogText& text, TextPosition from);

} // namespace velnorix
