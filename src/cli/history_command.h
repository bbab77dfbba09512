#pragma once

#include "cli/cli_options.h"
#include "engine/configuration.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace velnorix {

// Prints the history the log folder keeps of the configuration's targets, as the options ask;
// returns the exit status. Reads only: a running monitor may go on writing meanwhile.
int PrintHistory(const CliOptions& options, const Configuration& config,
                 const std::string& logFolder, std::int64_t now, std::FILE* out, std::FILE* errors);

} // namespace velnorix
