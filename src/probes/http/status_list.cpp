#include "probes/http/status_list.h"

#include "probes/ascii_text.h"

#include <algorithm>
#include <charconv>

namespace velnorix {
namespace {

constexpr int kLowestCode = 100;
constexpr int kHighestCode = 999;

std::optional<int> CodeOf(std::string_view text) {
    text = TrimLinearWhitespace(text);
    int code = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, code);
    if (text.size() != 3 || error != std::errc{} || stop != end || code < kLowestCode ||
        code > kHighestCode)
        return std::nullopt;
    return code;
}

} // namespace

std::optional<StatusList> StatusList::Parse(std::string_view text) {
    StatusList list;
    for (;;) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        const auto low = CodeOf(item.substr(0, dash));
        const auto high = dash == std::string_view::npos ? low : CodeOf(item.substr(dash + 1));
        if (!low || !high || *low > *high)
            return std::nullopt;
        list.m_ranges.emplace_back(*low, *high);
        if (comma == std::string_view::npos)
            return list;
        text.remove_prefix(comma + 1);
    }
}

bool StatusList::Contains(int statusCode) const {
    return std::ranges::any_of(m_ranges, [statusCode](const auto& range) {
        return statusCode >= range.first && statusCode <= range.second;
    });
}

} // namespace velnorix
