#pragma once

#include "engine/metrics_snapshot.h"
#include "history/history_recorder.h"

#include <string>
#include <string_view>

namespace velnorix {

// The media type of the text the scrape endpoint answers with.
inline constexpr std::string_view kExpositionContentType =
    "text/plain; version=0.0.4; charset=utf-8";

// A label value as the text exposition format writes it between double quotes: backslash,
// double quote and line feed escaped, and every byte that starts no valid UTF-8 sequence
// replaced by U+FFFD, since a scraper refuses the whole page over one such byte.
std::string ExpositionLabelValue(std::string_view value);

// The snapshot as Prometheus' text exposition format (version 0.0.4): every metric family
// with its HELP and TYPE lines, numbers with a dot whatever the locale. With `uptimes`, each
// target's uptime over the three windows of the history, where it has probes in them.
std::string RenderExposition(const MetricsSnapshot& snapshot, const UptimeTable* uptimes = nullptr);

} // namespace velnorix
