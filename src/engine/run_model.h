#pragma once

#include "engine/configuration.h"
#include "engine/run_log_names.h"
#include "engine/target_statistics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velnorix {

inline constexpr std::int32_t kInitialTableLength = 10;

// What a monitor works on: the configuration in force, each target's statistics and the state
// of the run. The configuration is replaced whole; statistics and run state change as probes
// finish.
struct RunModel {
    RunModel();

    Configuration Config;
    // By target position. Never shorter than the targets, and kept across a load, so a target
    // in the same place goes on counting; entry 0 always exists, for the cycle count shown.
    std::vector<TargetStatistics> Statistics;

    double RunStartTime = 0.0; // day count since 30 December 1899; 0 before the first start
    std::int32_t CycleCount = 0;
    std::string DetailLogName;
    std::string SummaryLogName;
    std::string EventLogName;
    [[nodiscard]] RunLogNames LogNames() const {
        return {DetailLogName, SummaryLogName, EventLogName};
    }
    bool StopRequested = false;
    // The operator has paused alerts: probing goes on, every target shows Paused, nothing
    // sounds and no one is told.
    bool AlertsPaused = false;

    // The configuration file of the next Save, and whether the configuration changed since.
    std::string IniFileName;
    bool IniChanged = false;

    [[nodiscard]] std::int32_t TargetCount() const { return Config.TargetCount(); }
    // The entries in use, positions 0 to TargetCount() - 1; std::out_of_range elsewhere.
    [[nodiscard]] const TargetSettings& Target(std::int32_t index) const;
    [[nodiscard]] TargetSettings& Target(std::int32_t index);
    [[nodiscard]] const TargetStatistics& StatisticsOf(std::int32_t index) const;
    [[nodiscard]] TargetStatistics& StatisticsOf(std::int32_t index);

    // Puts `config` in force; the statistics of positions that stay are kept.
    void UseConfiguration(Configuration config);
    // Sets the number of targets, never below 0: added ones start blank, the rest stay.
    void SetTargetCount(std::int32_t count);
    // Every target's settings and statistics back to their initial state; the count stays.
    void ResetTargets();
    // Statistics from zero for exactly the targets in use (at least one entry).
    void ResetStatistics();
};

} // namespace velnorix
