#pragma once

#include <string_view>

namespace velnorix {

// Without blanks and tabs (RFC 2616 linear white space) at both ends.
[[nodiscard]] std::string_view TrimLinearWhitespace(std::string_view text);

} // namespace velnorix
