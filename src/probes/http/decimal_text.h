#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velnorix {

// The whole text read as a decimal integer (an optional "-", then digits, nothing else);
// nothing when it is not one or does not fit.
std::optional<std::int64_t> ParseDecimal(std::string_view text);

} // namespace velnorix
