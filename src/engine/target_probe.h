#pragma once

#include "base/date_time.h"
#include "engine/echo_figures.h"
#include "engine/host.h"
#include "engine/run_model.h"
#include "probes/probe_interfaces.h"

#include <cstdint>
#include <functional>
#include <string>

namespace velnorix {

// The least time from one echo request of a ping probe to the next.
inline constexpr std::uint32_t kEchoSpacingMs = 200;

struct ProbeOutcome {
    std::uint32_t ElapsedMs = 0;
    bool Failed = false;
    // When the TLS leaf certificate the probe saw expires (Unix time); 0 when it saw none.
    std::int64_t CertificateExpiry = 0;
    // Why it failed, as FailureReason gives it; empty for a success.
    std::string Reason;
    // It failed by waiting its whole time-out: no answer, no refusal.
    bool TimedOut = false;
    // A ping's requests and round trips; nothing sent for the other types.
    EchoFigures Echoes{};

    // A probe that took `elapsedMs`, for the callers that know nothing more of it.
    static ProbeOutcome Of(std::uint32_t elapsedMs, bool failed = false) {
        ProbeOutcome outcome;
        outcome.ElapsedMs = elapsedMs;
        outcome.Failed = failed;
        return outcome;
    }
};

// One target's probe as a worker runs it.
struct ProbeJob {
    TestType Type = TestType::Unknown;
    std::int32_t Position = 0;
    // A copy: the table may change while the probe runs. Its TimeoutMs is the one in force,
    // the configuration's where the target sets none.
    TargetSettings Entry;
    // The target's own web probe; null for other types.
    HeadProbe* Web = nullptr;
    // How long the probe is expected to wait out a time-out, 0 when it is not: the longest
    // waits start first, so a cycle with dead hosts spends them side by side instead of one
    // after another.
    std::uint32_t ExpectedWaitMs = 0;
    // After a failure the probe is tried again this many times at most, this far apart.
    std::int32_t Retries = 0;
    std::uint32_t RetryDelayMs = 0;
};

struct FinishedProbe {
    LocalDateTime Start; // when the worker began the probe: its line's time stamp
    ProbeOutcome Outcome;
};

// What TLS probes of the run trust: the model's CA bundle, a relative path taken from the
// folder of its configuration file, and its expiry warning.
TlsTrust TrustOf(const RunModel& model);

// Probes the target at `position` of the table with the component of its type (which must
// not be Unknown) and times it
// on the tick counter, modulo 2^32. Setting up the component is part of the timed span; for
// the mail dialogues only StartDialogue is, EndDialogue runs after the end tick, and a TCP
// target's close runs after it too. Any error a
// probe raises is a failure timed up to the moment it was caught, with the error's text as its
// reason; an echo answered by anything but a reply names that answer. A ping target with
// several Echoes sends them at least kEchoSpacingMs apart, each matched to its own reply, and
// is timed by the mean round trip of those answered; it fails when none is, or when more are
// lost than its LossPct allows, and its reason gives the loss and round trips; once `cutShort`
// says so, it sends no further request and counts only those sent. Every probe call
// runs through `runner`. Web and mail probes are told what TLS trusts, mail probes the target's
// security. Every component is told the entry's TimeoutMs as its cap on waits; a web probe
// its check, and a success it notes something about (a refused HEAD) has that as its reason.
ProbeOutcome ProbeTarget(TestType type, std::int32_t position, const TargetSettings& entry,
                         const ProbeComponents& probes, Clock& clock, BlockingRunner& runner,
                         const TlsTrust& trust, const std::function<bool()>& cutShort = {});

// Probes the job's target as ProbeTarget does and, after a failure, again up to job.Retries
// times, job.RetryDelayMs apart; the wait ends early once `cutShort` says so, and then no
// further attempt starts. The last attempt's start and outcome make the result line; the
// earlier attempts' reasons are kept in its reason.
FinishedProbe ProbeWithRetries(const ProbeJob& job, const ProbeComponents& probes, Clock& clock,
                               BlockingRunner& runner, const TlsTrust& trust,
                               const std::function<bool()>& cutShort);

} // namespace velnorix
