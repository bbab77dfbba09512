#include "engine/verdict_changes.h"

#include <algorithm>

namespace velnorix {

std::vector<VerdictChange> VerdictWatch::CycleEnded(const RunModel& model) {
    std::vector<VerdictChange> changes;
    const auto count = static_cast<std::size_t>(model.TargetCount());
    m_seen.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TargetSettings& target = model.Config.Targets[i];
        const TargetState state = model.Statistics[i].State;
        Seen& seen = m_seen[i];
        // Another target in this place, or statistics started afresh by a new run or an edit:
        // nothing is known of it yet.
        if (seen.Type != target.Type || seen.Addr != target.Addr || state == TargetState::Unknown)
            seen = Seen{target.Type, target.Addr};
        // A child behind a down parent and a paused target tell no one; once back, only a
        // state other than the one last told is news.
        if (state == TargetState::Unknown || state == TargetState::Unreachable ||
            state == TargetState::Paused)
            continue;
        const bool firstDown =
            m_tellFirstDown && seen.State == TargetState::Unknown && state == TargetState::Down;
        if ((seen.State != TargetState::Unknown && state != seen.State) || firstDown)
            changes.push_back(
                {target.Type, target.ShownName(), state != TargetState::Down,
                 state == TargetState::Down ? model.Statistics[i].LastReason : std::string(), state,
                 seen.State});
        seen.State = state;
    }
    return changes;
}

std::vector<ChangeNotice> NoticesFor(const std::vector<VerdictChange>& changes) {
    std::vector<ChangeNotice> notices;
    if (changes.size() > kMostSeparateNotices) {
        const auto failing = std::count_if(changes.begin(), changes.end(),
                                           [](const VerdictChange& c) { return !c.Succeeds; });
        const auto recovered = static_cast<std::ptrdiff_t>(changes.size()) - failing;
        notices.push_back({std::to_string(changes.size()) + " targets changed state",
                           std::to_string(failing) + " now failing, " + std::to_string(recovered) +
                               " back to success",
                           failing > 0});
        return notices;
    }
    for (const VerdictChange& change : changes) {
        const std::string target = change.Type + change.ShownName;
        if (change.State == TargetState::Slow)
            notices.push_back({"Slow: " + target, target + " answers, but slowly.", true});
        else if (change.Succeeds)
            notices.push_back({"Success again: " + target, target + " answers again.", false});
        else
            notices.push_back(
                {"Failure: " + target,
                 change.Reason.empty() ? target + " no longer answers." : change.Reason, true});
    }
    return notices;
}

} // namespace velnorix
