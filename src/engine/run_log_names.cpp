#include "engine/run_log_names.h"

#include "base/text_file.h"

#include <cerrno>
#include <utility>

namespace velnorix {

RunLogNames RunLogNamesFor(std::string_view programDirectory, const LocalDateTime& runStart) {
    std::string base(programDirectory);
    // The root directory may come as "" or as "/".
    if (base.empty() || base.back() != '/')
        base += '/';
    base += kLogNamePrefix;
    base += FormatRunStamp(runStart);
    return {base + std::string(kDetailLogExtension), base + std::string(kSummaryLogExtension),
            base + std::string(kEventLogExtension)};
}

RunLogs CreateRunLogs(std::string_view programDirectory, Clock& clock,
                      std::string_view summaryHeader) {
    for (int attempt = 1;; ++attempt) {
        const LocalDateTime now = clock.Now();
        RunLogNames names = RunLogNamesFor(programDirectory, now);
        if (CreateNewFile(names.Summary, summaryHeader)) {
            if (CreateNewFile(names.Detail, "")) {
                if (CreateNewFile(names.Events, ""))
                    return {now, std::move(names)};
                DeleteFileQuietly(names.Detail);
            }
            // Another of the names was taken: this second's set is not ours.
            DeleteFileQuietly(names.Summary);
        }
        if (attempt == kLogNameAttempts)
            ThrowFileError("Cannot create file", names.Summary, EEXIST);
        clock.Sleep(static_cast<std::uint32_t>(1000 - now.Millisecond));
    }
}

void DeleteRunLogs(const RunLogNames& names) {
    for (const std::string* log : {&names.Detail, &names.Summary, &names.Events}) {
        if (!log->empty() && FileExists(*log))
            DeleteFileQuietly(*log);
    }
}

} // namespace velnorix
