#pragma once

#include "engine/run_model.h"
#include "engine/target_state.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velnorix {

// A target whose state (Up, Slow or Down) at the end of a cycle differs from the one last told.
struct VerdictChange {
    std::string Type;
    std::string ShownName;
    bool Succeeds = false; // the new state answers: Up or Slow
    std::string Reason;    // why it now fails; empty when it answers
    TargetState State = TargetState::Unknown;
    TargetState Previous = TargetState::Unknown; // the state last told
};

// Watches the targets' states from one cycle to the next, so a failure FailAfter still waits
// out, a child behind a down parent and a paused target are never news, and each target changes
// at most once a cycle.
class VerdictWatch final {
public:
    // With `tellFirstDown`, a target whose first known state is Down is news too: an alert
    // channel must hear of an outage that was there before the run began; a desktop notice at
    // start would only repeat what the window shows.
    explicit VerdictWatch(bool tellFirstDown = false) : m_tellFirstDown(tellFirstDown) {}

    std::vector<VerdictChange> CycleEnded(const RunModel& model);

private:
    struct Seen {
        std::string Type;
        std::string Addr;
        TargetState State = TargetState::Unknown; // the last one told, or first seen
    };
    bool m_tellFirstDown;
    std::vector<Seen> m_seen;
};

// What the desktop is told: a title and a line of text, and whether it is bad news.
struct ChangeNotice {
    std::string Title;
    std::string Message;
    bool Failure = false;
};

// More changes than this in one cycle are told in one summary notice.
inline constexpr std::size_t kMostSeparateNotices = 3;

std::vector<ChangeNotice> NoticesFor(const std::vector<VerdictChange>& changes);

} // namespace velnorix
