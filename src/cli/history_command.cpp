#include "cli/history_command.h"

#include "history/history_database.h"
#include "history/history_report.h"
#include "history/history_writer.h"

#include <SQLiteCpp/Exception.h>

namespace velnorix {

int PrintHistory(const CliOptions& options, const Configuration& config,
                 const std::string& logFolder, std::int64_t now, std::FILE* out,
                 std::FILE* errors) {
    std::vector<TargetSettings> targets = config.Targets;
    if (options.Target) {
        if (*options.Target > config.TargetCount()) {
            std::fprintf(errors, "velnorix-cli: --target %d: the configuration has %d targets\n",
                         *options.Target, config.TargetCount());
            return kExitUsage;
        }
        targets = {config.Target(*options.Target - 1)};
    }
    const std::string path = logFolder + "/" + std::string(kHistoryFileName);
    const auto db = OpenHistoryForReading(path);
    if (!db) {
        std::fprintf(errors, "velnorix-cli: no history in %s\n", path.c_str());
        return kExitNoHistory;
    }
    try {
        const std::int64_t toHour = now / kSecondsPerHour + 1;
        const std::string text = options.Csv
                                     ? HistoryCsv(*db, targets, toHour - options.SinceHours, toHour)
                                     : HistoryText(*db, targets, now, options.SinceHours);
        std::fputs(text.c_str(), out);
    } catch (const SQLite::Exception& error) {
        std::fprintf(errors, "velnorix-cli: the history in %s cannot be read: %s\n", path.c_str(),
                     error.what());
        return kExitNoHistory;
    }
    return std::fflush(out) == 0 ? kExitOk : kExitLogFiles;
}

} // namespace velnorix
