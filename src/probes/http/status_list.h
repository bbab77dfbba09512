#pragma once

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace velnorix {

// The status codes a web target accepts, as codes and ranges: "200-299,301".
class StatusList final {
public:
    // Nothing unless the text is one or more items split by commas, each a code or a range
    // "low-high" of three-digit codes (100 to 999) with low not above high; blanks around items
    // and around the dash are allowed.
    [[nodiscard]] static std::optional<StatusList> Parse(std::string_view text);
    [[nodiscard]] bool Contains(int statusCode) const;

private:
    std::vector<std::pair<int, int>> m_ranges;
};

} // namespace velnorix
