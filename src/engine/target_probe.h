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
    // When the TLS leaf certificate the probe saw expires (Unix time); 0 when it saw none.
    std::int64_t CertificateExpiry = 0;
    // Why it failed, as FailureReason gives it; empty for a success.
    std::string Reason;
    // It failed by waiting its whole time-out: no answer, no refusal.
    bool TimedOut = false;
};

// What TLS probes of the run trust: the model's CA bundle, a relative path taken from the
// folder of its configuration file, and its expiry warning.
TlsTrust TrustOf(const RunModel& model);

// Probes the target at `position` of the table with the component of its type (which must
// not be Unknown) and times it
// on the tick counter, modulo 2^32. Setting up the component is part of the timed span; for
// the mail dialogues only StartDialogue is, EndDialogue runs after the end tick. Any error a
// probe raises is a failure timed up to the moment it was caught, with the error's text as its
// reason; an echo answered by anything but a reply names that answer. Every probe call runs
// through `runner`. Web and mail probes are told what TLS trusts, mail probes
// the target's security.
ProbeOutcome ProbeTarget(TestType type, std::int32_t position, const TargetSettings& entry,
                         const ProbeComponents& probes, Clock& clock, BlockingRunner& runner,
                         const TlsTrust& trust);

} // namespace velnorix
