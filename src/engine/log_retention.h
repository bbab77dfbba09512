#pragma once

#include "base/clock.h"
#include "engine/run_log_names.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velnorix {

// Whether a file name is one the monitor gives its logs: "Velnorix", twelve digits, then
// ".log" or ".smy".
[[nodiscard]] bool IsRunLogName(std::string_view fileName);

// Deletes from `folder` (not below it) the monitor's own logs last written more than
// `keepDays` days before `nowUnix`: only regular files with a log's name, never the logs of
// `inUse`, never through a symbolic link. A file that cannot be deleted stays for the next
// sweep. Returns how many were deleted.
int DeleteLogsOlderThan(const std::string& folder, std::int32_t keepDays, std::int64_t nowUnix,
                        const RunLogNames& inUse);

// Sweeps the log folder at the start of a run and then once a day, when days are set.
class LogRetention final {
public:
    explicit LogRetention(Clock& clock) : m_clock(clock) {}

    void RunStarted(const std::string& folder, std::int32_t keepDays, const RunLogNames& inUse);
    void CycleEnded(const std::string& folder, std::int32_t keepDays, const RunLogNames& inUse);

private:
    void Sweep(const std::string& folder, std::int32_t keepDays, const RunLogNames& inUse);

    Clock& m_clock;
    std::int64_t m_lastSweepUnix = 0;
};

} // namespace velnorix
