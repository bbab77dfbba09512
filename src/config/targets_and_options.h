#pragma once

#include "engine/configuration.h"
#include "engine/run_model.h"

namespace velnorix {

// The configuration dialog's confirmation: puts the edited configuration in force, marks it
// unsaved and starts every target's statistics from zero, even when nothing was edited. The
// dialog edits a copy of the configuration in force, so nothing outside it changes before
// this. The display header is the caller's to redraw.
void ApplyTargetsAndOptions(const Configuration& edited, RunModel& model);

} // namespace velnorix
