#include "alerts/delivery_schedule.h"

#include <algorithm>

namespace velnorix {
namespace {

constexpr std::int64_t kFirstRetrySeconds = 60;
constexpr std::int64_t kLongestRetrySeconds = 3600;
constexpr std::int64_t kLongestReminderGap = 24LL * 3600;

} // namespace

std::int64_t RetryDelaySeconds(std::int32_t failedAttempts) {
    std::int64_t delay = kFirstRetrySeconds;
    for (std::int32_t n = 1; n < failedAttempts && delay < kLongestRetrySeconds; ++n)
        delay *= 2;
    return std::min(delay, kLongestRetrySeconds);
}

void ReminderSchedule::StateIs(TargetState state, std::int64_t now) {
    const bool down = state == TargetState::Down;
    if (down == m_down)
        return;
    m_down = down;
    m_gap = std::min(m_remindSeconds, kLongestReminderGap);
    if (down && m_remindSeconds > 0)
        m_next = now + m_gap;
    else
        m_next.reset();
}

bool ReminderSchedule::TakeDue(std::int64_t now) {
    if (!m_next || now < *m_next)
        return false;
    m_gap = std::min(m_gap * 2, kLongestReminderGap);
    // A long sleep of the machine owes one reminder, not every one it missed.
    m_next = *m_next + m_gap > now ? *m_next + m_gap : now + m_gap;
    return true;
}

} // namespace velnorix
