#include "app/pump_point_gate.h"

#include <utility>

namespace velnorix {

PumpPointGate::BlockingStep::BlockingStep(PumpPointGate& gate) : m_gate(gate) {
    ++m_gate.m_blockedDepth;
}

PumpPointGate::BlockingStep::~BlockingStep() {
    if (--m_gate.m_blockedDepth == 0)
        m_gate.ScheduleHeldActions();
}

void PumpPointGate::Deliver(std::function<void()> action) {
    if (Blocked()) {
        m_held.push_back(std::move(action));
        return;
    }
    action();
}

void PumpPointGate::RunHeldActions() {
    if (Blocked())
        return;
    // An action may open a modal window whose loop comes back here: take the list first.
    std::vector<std::function<void()>> held;
    held.swap(m_held);
    for (auto& action : held)
        action();
}

void PumpPointGate::ScheduleHeldActions() {
    // Queued, so the actions run when window messages are next processed, not inside the
    // engine step that just ended.
    if (!m_held.empty())
        QMetaObject::invokeMethod(this, &PumpPointGate::RunHeldActions, Qt::QueuedConnection);
}

} // namespace velnorix
