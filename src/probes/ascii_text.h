#pragma once

#include <string>
#include <string_view>

namespace velnorix {

// Without blanks and tabs (RFC 2616 linear white space) at both ends.
[[nodiscard]] std::string_view TrimLinearWhitespace(std::string_view text);

// What a peer sent, fit to show: every control character (C0 and DEL) becomes "?", so a
// server cannot move the cursor, recolour a terminal or split a log line.
[[nodiscard]] std::string PrintableText(std::string_view bytes);

} // namespace velnorix
