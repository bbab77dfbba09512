#include "engine/run_states.h"

#include "base/text_file.h"

#include <algorithm>

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
    statistics.State =
        ShownState(statistics.Own, failed, ParentDown(model, target), model.AlertsPaused);
    return statistics.State;
}

void SettleStates(RunModel& model) {
    for (std::int32_t i = 0; i < model.TargetCount(); ++i) {
        TargetStatistics& statistics = model.StatisticsOf(i);
        statistics.State = ShownState(statistics.Own, LastFailed(statistics.Own),
                                      ParentDown(model, model.Target(i)), model.AlertsPaused);
    }
}

std::string StateMark(TargetState state, bool failed) {
    const TargetState suggested = failed ? TargetState::Down : TargetState::Up;
    if (state == suggested)
        return {};
    return " [" + std::string(StateName(state)) + "]";
}

std::vector<TargetState> StatesOf(const RunModel& model) {
    std::vector<TargetState> states;
    states.reserve(static_cast<std::size_t>(model.TargetCount()));
    for (std::int32_t i = 0; i < model.TargetCount(); ++i)
        states.push_back(model.StatisticsOf(i).State);
    return states;
}

std::string StateChangeLines(const RunModel& model, const std::vector<TargetState>& before,
                             std::string_view prefix) {
    std::string lines;
    const auto count = std::min(before.size(), static_cast<std::size_t>(model.TargetCount()));
    for (std::size_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::int32_t>(i);
        const TargetState now = model.StatisticsOf(index).State;
        if (now == before[i] || (before[i] == TargetState::Unknown && now == TargetState::Up) ||
            now == TargetState::Paused || before[i] == TargetState::Paused)
            continue;
        const TargetSettings& target = model.Target(index);
        lines.append(prefix).append(target.Type).append(target.ShownName()).append("  ");
        lines.append(StateName(before[i])).append(" -> ").append(StateName(now));
        if (now == TargetState::Down || now == TargetState::Unreachable)
            lines.append("  ").append(model.StatisticsOf(index).LastReason);
        lines.append(kLineEnd);
    }
    return lines;
}

std::string AlertPauseLine(bool paused, std::string_view prefix) {
    return std::string(prefix) + (paused ? "Alerts paused" : "Alerts resumed") +
           std::string(kLineEnd);
}

} // namespace velnorix
