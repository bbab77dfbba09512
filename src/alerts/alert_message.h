#pragma once

#include "base/date_time.h"
#include "engine/target_state.h"
#include "engine/verdict_changes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What one cycle tells the operator's channels: every target whose state changed, in one
// message, so ten targets going down at once make one mail rather than ten.
namespace velnorix {

struct AlertChange {
    std::string Type; // "<HTML>", "<SMTP>", ...
    std::string Name; // as the display shows it
    TargetState Old = TargetState::Unknown;
    TargetState New = TargetState::Unknown;
    std::string Reason;    // why it fails; empty once it answers
    std::int64_t Time = 0; // seconds since 1970, UTC

    friend bool operator==(const AlertChange&, const AlertChange&) = default;
};

struct AlertMessage {
    std::vector<AlertChange> Changes;
    bool Reminder = false; // the target has stayed in its state; nothing changed

    friend bool operator==(const AlertMessage&, const AlertMessage&) = default;
};

// The cycle's changes as one message, each stamped `now`.
AlertMessage MessageFor(const std::vector<VerdictChange>& changes, std::int64_t now);

// "<type><name> is Down", "Still Down: <type><name>", "<n> targets changed state" or, for a
// reminder, "<n> targets are still Down".
std::string AlertTitle(const AlertMessage& message);
// "<type><name>  <old> -> <new>  <reason>".
std::string ChangeLine(const AlertChange& change);
// The title, a blank line and one change line each, LF-separated.
std::string AlertText(const AlertMessage& message);

// The state of that name as StateName spells it, if any.
std::optional<TargetState> StateNamed(std::string_view name);
// Down and Slow are worth an operator's attention; the others are not alerted on.
bool IsTrouble(TargetState state);

} // namespace velnorix
