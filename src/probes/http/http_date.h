#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velnorix {

// A cookie's expiry date in any of the forms servers send (RFC 1123, RFC 850, asctime and the
// Netscape "Wdy, DD-Mon-YYYY HH:MM:SS GMT"), read the tolerant way of RFC 6265 section 5.1.1.
// Seconds since 1970-01-01 00:00:00 UTC; nothing when the text is not a date.
std::optional<std::int64_t> ParseCookieDate(std::string_view text);

} // namespace velnorix
