#include "kit/fake_clock.h"

#include <cmath>

namespace velnorix::kit {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

std::int64_t MsSinceEpoch(const LocalDateTime& t) {
    return std::llround(ToDayCount(t) * kMsPerDay);
}

} // namespace

FakeClock::FakeClock(Ticks ticks)
    : m_msSinceEpoch(MsSinceEpoch(LocalDateTime{2026, 12, 6, 14, 3, 27, 0})) {
    if (ticks == Ticks::Real)
        m_system.emplace();
}

std::uint32_t FakeClock::TickCount() {
    if (m_system)
        return m_system->TickCount();
    const std::uint32_t step = m_step;
    return m_tick += step;
}

LocalDateTime FakeClock::Now() {
    return FromDayCount(static_cast<double>(m_msSinceEpoch) / kMsPerDay);
}

std::int64_t FakeClock::SecondsSinceEpoch() {
    if (m_system)
        return m_system->SecondsSinceEpoch();
    constexpr std::int64_t kMsFrom1899To1970 = std::int64_t{25'569} * kMsPerDay;
    return (m_msSinceEpoch - kMsFrom1899To1970) / 1000;
}

void FakeClock::Sleep(std::uint32_t milliseconds) {
    if (m_system)
        m_system->Sleep(milliseconds);
    else
        Advance(milliseconds);
}

void FakeClock::SetNow(const LocalDateTime& now) {
    m_msSinceEpoch = MsSinceEpoch(now);
}

void FakeClock::Advance(std::uint32_t milliseconds) {
    m_tick += milliseconds;
    m_msSinceEpoch += milliseconds;
}

} // namespace velnorix::kit
