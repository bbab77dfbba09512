#pragma once

#include "base/clock.h"
#include "base/date_time.h"

#include <atomic>
#include <cstdint>
#include <optional>

namespace velnorix::kit {

// A clock at a known date, 6 December 2026 14:03:27 until set, whose ticks move only when told
// to, or by a fixed step at every reading, or are the system's real ticks (Ticks::Real: probes'
// waits are measured and sleeps are real, while the date stays put). Safe to read and advance
// from several threads, as probes running at once do.
class FakeClock final : public Clock {
public:
    enum class Ticks { Manual, Real };

    explicit FakeClock(Ticks ticks = Ticks::Manual);
    [[nodiscard]] std::uint32_t TickCount() override;
    [[nodiscard]] LocalDateTime Now() override;
    // The local time read as UTC; the system's with real ticks.
    [[nodiscard]] std::int64_t SecondsSinceEpoch() override;
    void Sleep(std::uint32_t milliseconds) override;

    void SetTick(std::uint32_t tick) { m_tick = tick; }
    // Every reading of the tick count first moves it on by this much; 0 at first.
    void SetStep(std::uint32_t milliseconds) { m_step = milliseconds; }
    void SetNow(const LocalDateTime& now);
    // Moves the ticks and the local time on together.
    void Advance(std::uint32_t milliseconds);

private:
    std::optional<SystemClock> m_system; // set for real ticks
    std::atomic<std::uint32_t> m_tick = 0;
    std::atomic<std::uint32_t> m_step = 0;
    std::atomic<std::int64_t> m_msSinceEpoch = 0; // of the local time, since 30 December 1899
};

} // namespace velnorix::kit
