#pragma once

#include "engine/host.h"
#include "engine/run_model.h"

#include <cstdint>
#include <string>

namespace velnorix {

// "5 minutes", "hour and 2 seconds": the interval as the header's title line words it.
std::string ScheduleWording(std::int32_t hours, std::int32_t minutes, std::int32_t seconds);

// Rewrites the display's header (title, one line per target) and recomputes the bound that
// trims old result blocks.
void ShowTargetHeader(RunModel& model, DisplayLines& display);

// DisplayMaxLines from the display's pixel height and font height.
void UpdateDisplayMaxLines(RunModel& model, const DisplayLines& display);

} // namespace velnorix
