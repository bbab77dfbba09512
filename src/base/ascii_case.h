#pragma once

#include <string>
#include <string_view>

// Letter-case rules of the protocols and the configuration file: only ASCII letters have a case,
// whatever the locale.
namespace velnorix {

[[nodiscard]] constexpr char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

[[nodiscard]] bool EqualsIgnoringCase(std::string_view a, std::string_view b);
[[nodiscard]] bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);
[[nodiscard]] std::string ToLowerAscii(std::string_view text);

} // namespace velnorix
