#pragma once

#include <string>
#include <string_view>

namespace velnorix {

// Letter case is compared and changed for ASCII letters only: protocol texts are ASCII, and
// the system code page of the host texts is not known here.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
// Without blanks and tabs (RFC 2616 linear white space) at both ends.
std::string_view TrimLinearWhitespace(std::string_view text);

} // namespace velnorix
