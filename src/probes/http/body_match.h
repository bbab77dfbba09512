#pragma once

#include <cstddef>
#include <regex>
#include <string>
#include <string_view>

namespace velnorix {

// How much of a page's body is kept for its text check.
inline constexpr std::size_t kMatchedBodyBytes = 65'536;

// A web target's text check: an ECMAScript regular expression searched for in a page's body.
class BodyPattern final {
public:
    // Throws std::regex_error when `pattern` is not a regular expression.
    explicit BodyPattern(const std::string& pattern);
    [[nodiscard]] bool FoundIn(std::string_view body) const;

private:
    std::regex m_pattern;
};

} // namespace velnorix
