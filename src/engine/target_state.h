#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace velnorix {

// What an operator acts on, kept per target after each probe. The result lines still say
// Success or Failure for the probe itself.
enum class TargetState : std::uint8_t {
    Unknown,     // not probed yet, or failing but not yet confirmed from the start
    Up,          //
    Slow,        // answering, slower than the target's SlowMs
    Down,        // failed FailAfter cycles in a row
    Unreachable, // failing while its parent is Down: no sound, no notice
    Paused,      // alerts paused by the operator; probing goes on
};

inline constexpr std::array kTargetStates = {TargetState::Unknown,     TargetState::Up,
                                             TargetState::Slow,        TargetState::Down,
                                             TargetState::Unreachable, TargetState::Paused};

// "Unknown", "Up", "Slow", "Down", "Unreachable", "Paused".
std::string_view StateName(TargetState state);

// How a probe counts toward its target's state.
enum class ProbeClass : std::uint8_t { Good, Slow, Failed };

// The confirmation counts, from the configuration.
struct StateRules {
    std::int32_t FailAfter = 1;    // failed cycles in a row that make a target Down
    std::int32_t RecoverAfter = 1; // good (or slow) cycles in a row that end Down, or Slow
    std::uint32_t SlowMs = 0;      // a success slower than this is Slow; 0 is off
};

ProbeClass ClassOf(bool failed, std::uint32_t elapsedMs, std::uint32_t slowMs);

// A target's own state as its probes confirm it, before its parent and a pause are looked at,
// and the run of like probes that leads to the next change.
struct OwnState {
    TargetState State = TargetState::Unknown;
    ProbeClass RunOf = ProbeClass::Good;
    std::int32_t Run = 0;
    // Answers in a row, slow or not: what brings a target out of Down.
    std::int32_t Answers = 0;

    // Takes one more probe: Down after FailAfter failures in a row; out of Down, and from Slow
    // back to Up, after RecoverAfter probes in a row; from Up to Slow after FailAfter slow ones.
    // An unconfirmed start stays Unknown while it fails and takes the first answer at once.
    void Advance(ProbeClass probe, const StateRules& rules);

    friend bool operator==(const OwnState&, const OwnState&) = default;
};

// The state shown and alerted on: Paused over everything, Unreachable for a target whose
// latest probe failed while its parent is Down, its own state otherwise.
TargetState ShownState(const OwnState& own, bool lastFailed, bool parentDown, bool paused);

} // namespace velnorix
