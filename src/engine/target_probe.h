#pragma once

#include "engine/host.h"
#include "engine/run_model.h"
#include "probes/probe_interfaces.h"

#include <cstdint>
#include <string>

namespace velnorix {

struct ProbeOutcome {
    std::uint32_t ElapsedMs = 0;
    bool Failed = false;
    // Why it failed, as FailureReason gives it; empty for a success.
    std::string Reason;
};

// Probes the target at `position` of the table with the component of its type (which must
// not be Unknown) and times it
// on the tick counter, modulo 2^32. Setting up the component is part of the timed span; for
// the mail dialogues only StartDialogue is, EndDialogue runs after the end tick. Any error a
// probe raises is a failure timed up to the moment it was caught, with the error's text as its
// reason; an echo answered by anything but a reply names that answer. Every probe call runs
// through the host's RunBlocking.
ProbeOutcome ProbeTarget(TestType type, std::int32_t position, const TargetEntry& entry,
                         const ProbeComponents& probes, Clock& clock, HostServices& host);

} // namespace velnorix
