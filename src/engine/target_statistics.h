#pragma once

#include "engine/echo_figures.h"
#include "engine/target_state.h"

#include <cstdint>
#include <string>

namespace velnorix {

// What the probes of one target have shown so far.
struct TargetStatistics {
    std::int32_t Attempts = 0;
    std::int32_t Failures = 0;
    // 64 bits: 32 would wrap after 49.7 days of probe time.
    std::uint64_t TotalMs = 0;
    std::uint32_t LowMs = 0; // 0: no value yet
    std::uint32_t HighMs = 0;
    // When the TLS leaf certificate the last probe saw expires, as a Unix time; 0: none seen.
    std::int64_t CertificateExpiry = 0;
    // Why the latest failed probe failed; a later success leaves it, as the last known fault.
    std::string LastReason;
    // How long the latest probe waited before it timed out, 0 when it did not: the next cycle
    // starts the longest waits first.
    std::uint32_t LastTimeOutMs = 0;
    // What the probes have confirmed, and what is shown and alerted on (its parent and a
    // pause considered).
    OwnState Own{};
    TargetState State = TargetState::Unknown;
    // A ping's latest requests and round trips.
    EchoFigures Echoes{};

    friend bool operator==(const TargetStatistics&, const TargetStatistics&) = default;
};

} // namespace velnorix
