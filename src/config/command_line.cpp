#include "config/command_line.h"

namespace velnorix {

std::optional<std::string>
ConfigurationFileFromArguments(const std::vector<std::string>& arguments,
                               const std::string& configurationDirectory) {
    if (arguments.empty())
        return std::nullopt;
    const std::string& name = arguments.front();
    if (name.find('/') != std::string::npos)
        return name;
    return configurationDirectory + "/" + name;
}

} // namespace velnorix
