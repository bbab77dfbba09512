#include "reports/failure_search.h"

#include <algorithm>

namespace velnorix {
namespace {

constexpr auto kMatchLength = static_cast<std::int32_t>(kFailureText.size());

TextSelection Forward(std::int32_t line, std::int32_t column) {
    return {{line, column}, {line, column + kMatchLength}};
}

TextSelection Backward(std::int32_t line, std::int32_t column) {
    return {{line, column + kMatchLength}, {line, column}};
}

} // namespace

std::optional<TextSelection> FindFailureForward(const LogText& text, TextPosition from) {
    from = text.Clamp(from);
    const auto at = text.Line(from.Line).find(kFailureText, static_cast<std::size_t>(from.Column));
    if (at != std::string_view::npos)
        return Forward(from.Line, static_cast<std::int32_t>(at));

    const std::vector<std::int32_t>& lines = text.FailureLines();
    const auto next = std::upper_bound(lines.begin(), lines.end(), from.Line);
    if (next == lines.end())
        return std::nullopt;
    return Forward(*next, static_cast<std::int32_t>(text.Line(*next).find(kFailureText)));
}

std::optional<TextSelection> FindFailureBackward(const LogText& text, TextPosition from) {
    from = text.Clamp(from);
    if (from.Column > 0) {
        // rfind from column - 1 finds the last match that starts before the column.
        const auto at =
            text.Line(from.Line).rfind(kFailureText, static_cast<std::size_t>(from.Column - 1));
        if (at != std::string_view::npos)
            return Backward(from.Line, static_cast<std::int32_t>(at));
    }

    const std::vector<std::int32_t>& lines = text.FailureLines();
    const auto previous = std::lower_bound(lines.begin(), lines.end(), from.Line);
    if (previous == lines.begin())
        return std::nullopt;
    const std::int32_t line = *std::prev(previous);
    return Backward(line, static_cast<std::int32_t>(text.Line(line).rfind(kFailureText)));
}

} // namespace velnorix
