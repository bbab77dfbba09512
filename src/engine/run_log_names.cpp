#include "engine/run_log_names.h"

namespace velnorix {

RunLogNames RunLogNamesFor(std::string_view programDirectory, const LocalDateTime& runStart)
{
    std::string base(programDirectory);
    // The root directory is the one that keeps its separator.
    if (base.empty() || base.back() != '/')
        base += '/';
    base += kLogNamePrefix;
    base += FormatRunStamp(runStart);
    return {base + std::string(kDetailLogExtension), base + std::string(kSummaryLogExtension)};
}

} // namespace velnorix
