#pragma once

#include "cli/cli_options.h"

#include <cstdio>

namespace velnorix {

// Loads the configuration, starts a run at once and runs cycles at the configured interval
// until the cycle budget is spent or SIGINT / SIGTERM asks for a stop. Returns the exit status.
int RunConsoleMonitor(const CliOptions& options, std::FILE* out, std::FILE* errors);

} // namespace velnorix
