#pragma once

#include "base/date_time.h"

#include <cstdint>

namespace velnorix {

// Where the program reads the time; tests substitute clocks that move only when told to.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start, wrapping modulo 2^32.
    [[nodiscard]] virtual std::uint32_t TickCount() = 0;
    [[nodiscard]] virtual LocalDateTime Now() = 0;
    // Seconds since 1 January 1970, 00:00 UTC: the scale of cookie expiry dates.
    [[nodiscard]] virtual std::int64_t SecondsSinceEpoch() = 0;
    // Waits this long in real time; a clock that keeps its own time moves it instead.
    virtual void Sleep(std::uint32_t milliseconds);
};

// The system clock: a monotonic millisecond tick, the local date and time, and the UTC time.
class SystemClock final : public Clock {
public:
    std::uint32_t TickCount() override;
    LocalDateTime Now() override;
    std::int64_t SecondsSinceEpoch() override;
};

} // namespace velnorix
