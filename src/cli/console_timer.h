#pragma once

#include "engine/host.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace velnorix {

// An interval timer for a loop that waits on its own: it only remembers when it is due.
class ConsoleTimer final : public IntervalTimer {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    void SetInterval(std::int32_t milliseconds) override;
    std::int32_t Interval() const override { return m_interval; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return m_enabled; }

    // When the next tick is due; nothing when the timer is off or its interval is 0.
    [[nodiscard]] std::optional<TimePoint> Due() const;
    // Called by the loop for a tick: the next one is due a full interval later.
    void Restart() { m_start = std::chrono::steady_clock::now(); }

private:
    std::int32_t m_interval = 0;
    bool m_enabled = false;
    TimePoint m_start{};
};

} // namespace velnorix
