#pragma once

#include "engine/run_model.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velnorix {

// A target whose verdict in the cycle just ended differs from its verdict in the cycle
// before, in which it was probed too.
struct VerdictChange {
    std::string Type;
    std::string ShownName;
    bool Succeeds = false; // the new verdict
    std::string Reason;    // why it now fails; empty when it succeeds
};

// Watches the targets' statistics from one cycle to the next. A target probed in a cycle has
// one attempt more and, when it failed, one failure more, so no probe needs reporting on its
// own and each target changes at most once a cycle.
class VerdictWatch final {
public:
    std::vector<VerdictChange> CycleEnded(const RunModel& model);

private:
    struct Seen {
        std::string Type;
        std::string Addr;
        std::int32_t Attempts = 0;
        std::int32_t Failures = 0;
        int Verdict = 0; // 1 succeeded, -1 failed, 0 never probed
    };
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
