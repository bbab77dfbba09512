#pragma once

#include <cstdint>

namespace velnorix {

inline constexpr std::int32_t kLongestTimerInterval = 2'147'483'647;

// The cycle timer's interval in milliseconds for a test interval. A negative field (only a
// hand-edited configuration holds one) counts as 0, and a total beyond the timer's range is clamped
// to it, so the result is never negative and never overflows.
std::int32_t TimerIntervalMs(std::int32_t hours, std::int32_t minutes, std::int32_t seconds);

} // namespace velnorix
