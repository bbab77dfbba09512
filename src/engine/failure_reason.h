#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velnorix {

// The longest reason kept, in characters: enough for a status line or a server's error reply,
// short enough for a tooltip and one console line.
inline constexpr std::size_t kReasonCharacters = 200;

// Why a probe failed, as one line fit for a tooltip, the status bar and a terminal: every run
// of line breaks and other control characters (a server's escape sequences included) becomes
// one space, blanks at both ends go, and the text is cut to kReasonCharacters characters
// without splitting one. An error without any text still gives a reason.
std::string FailureReason(std::string_view errorText);

} // namespace velnorix
