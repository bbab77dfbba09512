#include "engine/target_state.h"

namespace velnorix {

std::string_view StateName(TargetState state) {
    switch (state) {
    case TargetState::Unknown:
        return "Unknown";
    case TargetState::Up:
        return "Up";
    case TargetState::Slow:
        return "Slow";
    case TargetState::Down:
        return "Down";
    case TargetState::Unreachable:
        return "Unreachable";
    case TargetState::Paused:
        return "Paused";
    }
    return "Unknown";
}

ProbeClass ClassOf(bool failed, std::uint32_t elapsedMs, std::uint32_t slowMs) {
    if (failed)
        return ProbeClass::Failed;
    return slowMs != 0 && elapsedMs > slowMs ? ProbeClass::Slow : ProbeClass::Good;
}

void OwnState::Advance(ProbeClass probe, const StateRules& rules) {
    Run = probe == RunOf ? Run + 1 : 1;
    RunOf = probe;
    Answers = probe == ProbeClass::Failed ? 0 : Answers + 1;
    const TargetState answered = probe == ProbeClass::Slow ? TargetState::Slow : TargetState::Up;
    switch (probe) {
    case ProbeClass::Failed:
        if (Run >= rules.FailAfter)
            State = TargetState::Down;
        return;
    case ProbeClass::Slow:
    case ProbeClass::Good:
        if (State == TargetState::Unknown)
            State = answered;
        else if (State == TargetState::Down)
            State = Answers >= rules.RecoverAfter ? answered : State;
        else if (State == TargetState::Slow && answered == TargetState::Up)
            State = Run >= rules.RecoverAfter ? answered : State;
        else if (State == TargetState::Up && answered == TargetState::Slow)
            State = Run >= rules.FailAfter ? answered : State;
        return;
    }
}

TargetState ShownState(const OwnState& own, bool lastFailed, bool parentDown, bool paused) {
    if (paused)
        return TargetState::Paused;
    if (lastFailed && parentDown)
        return TargetState::Unreachable;
    return own.State;
}

} // namespace velnorix
