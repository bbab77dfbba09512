#pragma once

#include "engine/run_model.h"
#include "engine/target_state.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

// Takes the probe just recorded at `index` (0-based) into its target's state, with the
// configuration's confirmation counts and Slow bounds and its parent's latest state; the state
// now shown.
TargetState TakeIntoState(RunModel& model, std::int32_t index, std::uint32_t elapsedMs,
                          bool failed);

// Every target's shown state again from its own, its parent's latest and the pause: at a
// cycle's end, so a child probed before its parent in the table takes the parent's latest, and
// when alerts are paused or resumed.
void SettleStates(RunModel& model);

// What the window adds to a result line whose target's state is not the one its verdict
// suggests (" [Slow]", " [Unreachable]", a failure not yet confirmed: " [Up]"); empty when it
// is, so with the default counts no line changes. Never written to a file.
std::string StateMark(TargetState state, bool failed);

// Every target's state shown, in table order.
std::vector<TargetState> StatesOf(const RunModel& model);

// The event log's lines for the targets whose state is no longer what `before` says, each
// "<prefix><type><name>  <old> -> <new>" and, for a failure, "  <reason>", ending in CR LF. A
// first answer (Unknown to Up) is no event, nor is a pause: that is one event of its own.
std::string StateChangeLines(const RunModel& model, const std::vector<TargetState>& before,
                             std::string_view prefix);

// The event log's line for pausing or resuming alerts, ending in CR LF.
std::string AlertPauseLine(bool paused, std::string_view prefix);

} // namespace velnorix
