#include "app/qt_interval_timer.h"

#include "app/pump_point_gate.h"

#include <utility>

namespace velnorix {

QtIntervalTimer::QtIntervalTimer(PumpPointGate& gate, std::function<void()> onTick)
    : m_gate(gate), m_onTick(std::move(onTick)) {
    m_timer.setTimerType(Qt::CoarseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_gate, [this] { Tick(); });
}

void QtIntervalTimer::SetInterval(std::int32_t milliseconds) {
    m_interval = milliseconds;
    Restart();
}

void QtIntervalTimer::SetEnabled(bool enabled) {
    m_enabled = enabled;
    Restart();
}

void QtIntervalTimer::Restart() {
    // A QTimer with interval 0 fires whenever the loop is idle; ours never ticks then.
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}

void QtIntervalTimer::Tick() {
    // Ticks do not pile up behind a long wait: at most one is held.
    if (m_tickHeld)
        return;
    m_tickHeld = true;
    m_gate.Deliver([this] {
        m_tickHeld = false;
        // A held tick is dropped when the timer was switched off meanwhile.
        if (m_enabled)
            m_onTick();
    });
}

} // namespace velnorix
