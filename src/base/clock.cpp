#include "base/clock.h"

#include <cerrno>
#include <ctime>

namespace velnorix {

void Clock::Sleep(std::uint32_t milliseconds) {
    timespec left{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1'000'000};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

std::uint32_t SystemClock::TickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000;
    return static_cast<std::uint32_t>(ms);
}

LocalDateTime SystemClock::Now() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::tm local{};
    ::localtime_r(&now.tv_sec, &local);
    return LocalDateTime{local.tm_year + 1900,
                         local.tm_mon + 1,
                         local.tm_mday,
                         local.tm_hour,
                         local.tm_min,
                         local.tm_sec,
                         static_cast<int>(now.tv_nsec / 1'000'000)};
}

std::int64_t SystemClock::SecondsSinceEpoch() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

} // namespace velnorix
