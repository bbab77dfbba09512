#pragma once

#include "engine/host.h"
#include "engine/run_model.h"

#include <cstdint>
#include <string>

namespace velnorix {

// "5 minutes", "hour and 2 seconds": the interval as the header's title line words it.
std::string ScheduleWording(std::int32_t hours, std::int32_t minutes, std::int32_t seconds);

// Rewrites the display's header: title, one line per target.
void ShowTargetHeader(const Configuration& config, DisplayLines& display);

// How many lines the header of `config` takes; result blocks go in below it.
std::int32_t HeaderLineCount(const Configuration& config);

// How many lines of result blocks the display keeps below the header before old blocks go.
std::int32_t KeptResultLines(const Configuration& config, const DisplayLines& display);

} // namespace velnorix
