#include "app/version_info.h"

namespace velnorix {

std::string VersionLine(const FileVersion& product) {
    return "Version: " + std::to_string(product.Major) + "." + std::to_string(product.Minor);
}

std::string BuildLine(const FileVersion& file) {
    return "Build: " + std::to_string(file.Major) + "." + std::to_string(file.Minor) + "." +
           std::to_string(file.Release) + "." + std::to_string(file.Build);
}

std::string WithoutLastVersionPart(std::string_view text) {
    const std::size_t dot = text.rfind('.');
    if (dot == std::string_view::npos)
        return std::string(text);
    return std::string(text.substr(0, dot));
}

} // namespace velnorix
