#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velnorix {

// The configuration file named by the first command-line parameter, if any. A name without a
// directory part is taken from the configuration folder; further parameters are ignored.
std::optional<std::string>
ConfigurationFileFromArguments(const std::vector<std::string>& arguments,
                               const std::string& configurationDirectory);

} // namespace velnorix
