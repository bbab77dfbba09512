#include "config/command_line.h"

namespace velnorix {

std::optional<std::string> ConfigurationFileFromArguments(const std::vector<std::string>& arguments,
                                                          const std::string& programDirectory) {
    if (arguments.empty())
        return std::nullopt;
    const std::string& name = arguments.front();
    if (name.find('/') != std::string::npos)
        return name;
    return programDirectory + "/" + name;
}

} // namespace velnorix
