#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velnorix {

// The four parts of a program version, as compiled in from the build.
struct FileVersion {
    std::uint16_t Major = 0;
    std::uint16_t Minor = 0;
    std::uint16_t Release = 0;
    std::uint16_t Build = 0;
};

inline constexpr FileVersion kProgramVersion{VELNORIX_VERSION_MAJOR, VELNORIX_VERSION_MINOR,
                                             VELNORIX_VERSION_PATCH, VELNORIX_VERSION_TWEAK};

// "Version: 2.0": the major and minor numbers of the product version.
std::string VersionLine(const FileVersion& product);
// "Build: 2.0.7.0": all four parts of the file version.
std::string BuildLine(const FileVersion& file);
// The text without its last "." and what follows it: "Build: 2.0.7.0" becomes "Build: 2.0.7".
// A text without a "." stays as it is.
std::string WithoutLastVersionPart(std::string_view text);

} // namespace velnorix
