#include "engine/run_log_names.h"

namespace velnorix {

RunLogNames RunLogNamesFor(std::string_view programDirectory, const LocalDateTime& runStart) {
    std::string base(programDirectory);
    // The root directory may come as "" or as "/".
    if (base.empty() || base.back() != '/')
        base += '/';
    base += kLogNamePrefix;
    base += FormatRunStamp(runStart);
    return {base + std::string(kDetailLogExtension), base + std::string(kSummaryLogExtension)};
}

} // namespace velnorix
