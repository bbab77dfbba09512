#pragma once

#include <optional>
#include <string>

// The configuration file is read whole once per operation; base/atomic_file.h writes it whole.
namespace velnorix {

// The file's bytes; nothing when no file of that name exists. Throws FileError when it exists
// but cannot be read (a folder, no permission).
std::optional<std::string> ReadWholeTextFile(const std::string& path);

} // namespace velnorix
