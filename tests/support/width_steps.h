#pragma once

#include <vector>

namespace velnorix::kit {

// The screen widths from `from` to `to` at which `rule` gives other than one pixel less: where
// a rule by screen width steps, so a test names its steps instead of copying its table.
template <typename Rule>
std::vector<int> WidthSteps(Rule rule, int from, int to) {
    std::vector<int> steps;
    for (int width = from; width <= to; ++width) {
        if (!(rule(width) == rule(width - 1)))
            steps.push_back(width);
    }
    return steps;
}

} // namespace velnorix::kit
