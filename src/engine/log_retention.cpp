#include "engine/log_retention.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace velnorix {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::size_t kStampDigits = 12;

std::int64_t LastWrittenUnix(const fs::path& file, std::error_code& error) {
    const fs::file_time_type written = fs::last_write_time(file, error);
    const auto system = std::chrono::file_clock::to_sys(written);
    return std::chrono::duration_cast<std::chrono::seconds>(system.time_since_epoch()).count();
}

bool SameFile(const fs::path& file, const std::string& name) {
    std::error_code error;
    return !name.empty() && fs::equivalent(file, name, error);
}

} // namespace

bool IsRunLogName(std::string_view fileName) {
    if (!fileName.starts_with(kLogNamePrefix))
        return false;
    fileName.remove_prefix(kLogNamePrefix.size());
    if (fileName.size() != kStampDigits + kDetailLogExtension.size() ||
        !std::all_of(fileName.begin(), fileName.begin() + kStampDigits,
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
        return false;
    fileName.remove_prefix(kStampDigits);
    return fileName == kDetailLogExtension || fileName == kSummaryLogExtension ||
           fileName == kEventLogExtension;
}

int DeleteLogsOlderThan(const std::string& folder, std::int32_t keepDays, std::int64_t nowUnix,
                        const RunLogNames& inUse) {
    if (keepDays <= 0)
        return 0;
    const std::int64_t oldest = nowUnix - std::int64_t{keepDays} * kSecondsPerDay;
    int deleted = 0;
    std::error_code error;
    for (fs::directory_iterator entry(folder.empty() ? "." : folder, error), end;
         !error && entry != end; entry.increment(error)) {
        const fs::path& file = entry->path();
        // symlink_status: a link named like a log is not ours, nor is what it points to.
        std::error_code fileError;
        if (!IsRunLogName(file.filename().string()) ||
            fs::symlink_status(file, fileError).type() != fs::file_type::regular)
            continue;
        const std::int64_t written = LastWrittenUnix(file, fileError);
        if (fileError || written >= oldest || SameFile(file, inUse.Detail) ||
            SameFile(file, inUse.Summary))
            continue;
        if (fs::remove(file, fileError))
            ++deleted;
    }
    return deleted;
}

void LogRetention::RunStarted(const std::string& folder, std::int32_t keepDays,
                              const RunLogNames& inUse) {
    Sweep(folder, keepDays, inUse);
}

void LogRetention::CycleEnded(const std::string& folder, std::int32_t keepDays,
                              const RunLogNames& inUse) {
    if (m_clock.SecondsSinceEpoch() - m_lastSweepUnix >= kSecondsPerDay)
        Sweep(folder, keepDays, inUse);
}

void LogRetention::Sweep(const std::string& folder, std::int32_t keepDays,
                         const RunLogNames& inUse) {
    m_lastSweepUnix = m_clock.SecondsSinceEpoch();
    DeleteLogsOlderThan(folder, keepDays, m_lastSweepUnix, inUse);
}

} // namespace velnorix
