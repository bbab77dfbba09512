#include "probes/line_framing.h"

namespace velnorix {

LineScan ScanLine(std::string_view buffered, std::size_t maxLineLength) {
    const std::size_t lineFeed = buffered.find('\n');
    if (lineFeed == std::string_view::npos) {
        return {buffered.size() > maxLineLength ? LineScanStatus::TooLong
                                                : LineScanStatus::Incomplete,
                {},
                0};
    }
    if (lineFeed > maxLineLength)
        return {LineScanStatus::TooLong, {}, 0};
    std::string_view line = buffered.substr(0, lineFeed);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return {LineScanStatus::Complete, line, lineFeed + 1};
}

} // namespace velnorix
