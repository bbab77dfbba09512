#include "engine/run_states.h"

namespace velnorix {
namespace {

bool ParentDown(const RunModel& model, const TargetSettings& target) {
    return target.Parent > 0 && target.Parent <= model.TargetCount() &&
           model.StatisticsOf(target.Parent - 1).Own.State == TargetState::Down;
}

bool LastFailed(const OwnState& own) {
    return own.Run > 0 && own.RunOf == ProbeClass::Failed;
}

} // namespace

TargetState TakeIntoState(RunModel& model, std::int32_t index, std::uint32_t elapsedMs,
                          bool failed) {
    const TargetSettings& target = model.Target(index);
    const Configuration& config = model.Config;
    const auto slowMs =
        static_cast<std::uint32_t>(target.SlowMs != 0 ? target.SlowMs : config.SlowMs);
    TargetStatistics& statistics = model.StatisticsOf(index);
    statistics.Own.Advance(ClassOf(failed, elapsedMs, slowMs),
                           StateRules{config.FailAfter, config.RecoverAfter, slowMs});
    statistics.State = ShownState(statistics.Own, failed, ParentDown(model, target), false);
    return statistics.State;
}

void SettleParentStates(RunModel& model) {
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        const TargetSettings& target = model.Target(i);
        TargetStatistics& statistics = model.StatisticsOf(i);
        if (target.Parent != 0 && statistics.State != TargetState::Paused)
            statistics.State = ShownState(statistics.Own, LastFailed(statistics.Own),
                                          ParentDown(model, target), false);
    }
}

std::string StateMark(TargetState state, bool failed) {
    const TargetState suggested = failed ? TargetState::Down : TargetState::Up;
    if (state == suggested)
        return {};
    return " [" + std::string(StateName(state)) + "]";
}

} // namespace velnorix
