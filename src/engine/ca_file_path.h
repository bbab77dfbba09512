#pragma once

#include "engine/run_model.h"

#include <string>

namespace velnorix {

// The PEM bundle the TLS probes trust beside the system's store: CAFile as written when it is
// absolute, otherwise taken from the folder of the configuration file it came from, so a
// bundle kept next to the file is found whatever the working folder. Empty when none is set.
std::string CAFilePath(const RunModel& model);

} // namespace velnorix
