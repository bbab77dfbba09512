#include "engine/verdict_changes.h"

#include <algorithm>

namespace velnorix {

std::vector<VerdictChange> VerdictWatch::CycleEnded(const RunModel& model) {
    std::vector<VerdictChange> changes;
    const auto count = static_cast<std::size_t>(model.TargetCount());
    m_seen.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TargetSettings& target = model.Config.Targets[i];
        const TargetStatistics& figures = model.Statistics[i];
        Seen& seen = m_seen[i];
        // Another target in this place, or statistics started afresh by a new run or an edit:
        // the counts start from zero, and only the same target keeps its last verdict.
        if (seen.Type != target.Type || seen.Addr != target.Addr) {
            seen = Seen{target.Type, target.Addr};
        } else if (figures.Attempts < seen.Attempts || figures.Failures < seen.Failures) {
            seen.Attempts = 0;
            seen.Failures = 0;
        }
        if (figures.Attempts != seen.Attempts + 1) {
            seen.Attempts = figures.Attempts;
            seen.Failures = figures.Failures;
            continue; // not probed in this cycle (or not known to have been)
        }
        const int verdict = figures.Failures > seen.Failures ? -1 : 1;
        if (seen.Verdict != 0 && verdict != seen.Verdict)
            changes.push_back({target.Type, target.ShownName(), verdict > 0,
                               verdict > 0 ? std::string() : figures.LastReason});
        seen.Attempts = figures.Attempts;
        seen.Failures = figures.Failures;
        seen.Verdict = verdict;
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
        if (change.Succeeds)
            notices.push_back({"Success again: " + target, target + " answers again.", false});
        else
            notices.push_back(
                {"Failure: " + target,
                 change.Reason.empty() ? target + " no longer answers." : change.Reason, true});
    }
    return notices;
}

} // namespace velnorix
