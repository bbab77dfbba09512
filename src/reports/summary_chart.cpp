#include "reports/summary_chart.h"

#include <algorithm>
#include <utility>

namespace velnorix {
namespace {

std::uint32_t Median(std::vector<std::uint32_t>& values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

std::deque<ProbeSample> MedianPerCycle(const TargetHistories& histories) {
    std::size_t cycles = 0;
    for (const std::deque<ProbeSample>* history : histories)
        cycles = std::max(cycles, history->size());
    std::deque<ProbeSample> medians;
    std::vector<std::uint32_t> times;
    std::vector<std::uint32_t> responses;
    for (std::size_t back = 0; back < cycles; ++back) {
        times.clear();
        responses.clear();
        for (const std::deque<ProbeSample>* history : histories) {
            if (back >= history->size())
                continue;
            const ProbeSample& probe = (*history)[history->size() - 1 - back];
            if (!probe.Failed) {
                times.push_back(probe.AtMs);
                responses.push_back(probe.ElapsedMs);
            }
        }
        // A cycle in which everything failed has no response to show.
        if (!responses.empty())
            medians.push_front({Median(times), Median(responses), false});
    }
    return medians;
}

std::vector<std::int32_t> SlowestTargets(const TargetHistories& histories, std::size_t count) {
    std::vector<std::pair<double, std::int32_t>> means;
    for (std::size_t i = 0; i < histories.size(); ++i) {
        const std::deque<ProbeSample>& history = *histories[i];
        if (history.empty())
            continue;
        double total = 0;
        for (const ProbeSample& probe : history)
            total += probe.ElapsedMs;
        means.emplace_back(total / static_cast<double>(history.size()),
                           static_cast<std::int32_t>(i));
    }
    const std::size_t kept = std::min(count, means.size());
    // Slowest first; equal means in table order.
    std::partial_sort(means.begin(), means.begin() + static_cast<std::ptrdiff_t>(kept), means.end(),
                      [](const auto& a, const auto& b) {
                          return a.first != b.first ? a.first > b.first : a.second < b.second;
                      });
    std::vector<std::int32_t> slowest;
    for (std::size_t i = 0; i < kept; ++i)
        slowest.push_back(means[i].second);
    return slowest;
}

} // namespace velnorix
