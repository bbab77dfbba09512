#include "engine/timer_interval.h"

#include <algorithm>

namespace velnorix {

std::int32_t TimerIntervalMs(std::int32_t hours, std::int32_t minutes, std::int32_t seconds) {
    const auto field = [](std::int32_t value) { return std::int64_t{std::max(value, 0)}; };
    const std::int64_t ms = (field(hours) * 3600 + field(minutes) * 60 + field(seconds)) * 1000;
    return static_cast<std::int32_t>(std::min<std::int64_t>(ms, kLongestTimerInterval));
}

} // namespace velnorix
