#pragma once

#include "engine/host.h"

#include <QTimer>
#include <cstdint>
#include <functional>

namespace velnorix {

class PumpPointGate;

// An engine timer over a QTimer. Ticks reach the handler through the gate, so a tick that
// falls inside a probe's wait runs at the engine's next pump point.
class QtIntervalTimer final : public IntervalTimer {
public:
    QtIntervalTimer(PumpPointGate& gate, std::function<void()> onTick);

    void SetInterval(std::int32_t milliseconds) override;
    [[nodiscard]] std::int32_t Interval() const override { return m_interval; }
    void SetEnabled(bool enabled) override;
    [[nodiscard]] bool Enabled() const override { return m_enabled; }

    // Whether the underlying timer is counting towards a tick.
    [[nodiscard]] bool Counting() const { return m_timer.isActive(); }

private:
    void Restart();
    void Tick();

    PumpPointGate& m_gate;
    std::function<void()> m_onTick;
    QTimer m_timer;
    std::int32_t m_interval = 1000;
    bool m_enabled = false;
    bool m_tickHeld = false;
};

} // namespace velnorix
