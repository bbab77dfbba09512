#include "cli/console_timer.h"

namespace velnorix {

void ConsoleTimer::SetInterval(std::int32_t milliseconds) {
    m_interval = milliseconds;
    if (m_enabled)
        Restart();
}

void ConsoleTimer::SetEnabled(bool enabled) {
    if (enabled)
        Restart();
    m_enabled = enabled;
}

std::optional<ConsoleTimer::TimePoint> ConsoleTimer::Due() const {
    if (!m_enabled || m_interval <= 0)
        return std::nullopt;
    return m_start + std::chrono::milliseconds(m_interval);
}

} // namespace velnorix
