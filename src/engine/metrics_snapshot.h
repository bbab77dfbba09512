#pragma once

#include "engine/echo_figures.h"
#include "engine/target_state.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velnorix {

// One target's figures as a scrape shows them. `Target` is the address as shown everywhere
// else, its password hidden; user names and passwords are never part of it.
struct TargetMetrics {
    std::int32_t Index = 0; // 1-based, as in the configuration file
    std::string Type;
    std::string Target;
    bool Probed = false; // false until this run has probed it: no verdict yet
    bool Up = false;
    std::uint32_t LastMs = 0;
    std::int64_t ConsecutiveFailures = 0; // failed probes since the last success
    std::int64_t Attempts = 0;
    std::int64_t Failures = 0;
    std::uint32_t LowMs = 0;
    std::uint32_t HighMs = 0;
    std::uint64_t TotalMs = 0;
    std::int64_t CertificateExpiry = 0; // Unix time; 0 when no certificate has been seen
    TargetState State = TargetState::Unknown;
    EchoFigures Echoes{}; // a ping's latest; nothing sent for the other types
};

// The whole monitor at one moment. Never changed once published, so readers on other threads
// need no lock while they use it.
struct MetricsSnapshot {
    // The targets in blocks that successive snapshots share, so publishing after a probe copies
    // only the probed target's block, not the whole table.
    static constexpr std::size_t kBlockSize = 64;
    using Block = std::vector<TargetMetrics>;
    std::vector<std::shared_ptr<const Block>> Blocks;
    std::size_t TargetCount = 0;

    [[nodiscard]] const TargetMetrics& Target(std::size_t index) const {
        return (*Blocks[index / kBlockSize])[index % kBlockSize];
    }

    std::int64_t CyclesDone = 0;
    std::uint32_t LastCycleMs = 0;
    std::int64_t RunStartUnix = 0; // 0 before the first run
    std::string Version;
};

// Where the engine leaves its latest snapshot and readers on any thread pick it up. The lock
// covers only the pointer swap, so a slow reader never holds up the cycle.
class MetricsBoard final {
public:
    void Publish(std::shared_ptr<const MetricsSnapshot> snapshot);
    [[nodiscard]] std::shared_ptr<const MetricsSnapshot> Latest() const;

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<const MetricsSnapshot> m_latest = std::make_shared<const MetricsSnapshot>();
};

} // namespace velnorix
