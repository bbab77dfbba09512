#pragma once

#include "base/clock.h"

#include <cstdint>

namespace velnorix::testing {

// Real tick counts, so the probes' times are measured; a fixed date, so the stamps are known.
// Safe to read from several threads at once, as probes running together do.
class RealTicksFixedDate final : public Clock {
public:
    std::uint32_t TickCount() override { return m_system.TickCount(); }
    LocalDateTime Now() override { return {2026, 12, 6, 14, 3, 27, 0}; }
    std::int64_t SecondsSinceEpoch() override { return m_system.SecondsSinceEpoch(); }

private:
    SystemClock m_system;
};

} // namespace velnorix::testing
