#pragma once

#include "engine/target_state.h"

#include <cstdint>
#include <optional>

// When undelivered messages are tried again and when a lasting outage is told again: pure
// functions of time, in seconds since 1970.
namespace velnorix {

// A message not delivered within a day is dropped: by then it is no longer news.
inline constexpr std::int64_t kGiveUpAfterSeconds = 24LL * 3600;

// The wait after the n-th failed attempt (n from 1): a minute, doubling, at most an hour.
std::int64_t RetryDelaySeconds(std::int32_t failedAttempts);

// The reminders of one target: while it stays Down, the first after RemindMins, then each
// twice as long after the one before, at most a day apart.
class ReminderSchedule final {
public:
    explicit ReminderSchedule(std::int32_t remindMins) : m_remindSeconds(remindMins * 60LL) {}

    // The target's state after a cycle; entering Down starts the reminders, leaving it ends them.
    void StateIs(TargetState state, std::int64_t now);
    // Whether a reminder is due at `now`; when it is, the next one is set.
    bool TakeDue(std::int64_t now);
    [[nodiscard]] std::optional<std::int64_t> NextReminder() const { return m_next; }

private:
    std::int64_t m_remindSeconds;
    std::int64_t m_gap = 0;
    bool m_down = false;
    std::optional<std::int64_t> m_next;
};

} // namespace velnorix
