#pragma once

#include <string>
#include <string_view>

namespace velnorix {

// Replaces the file's content by `text` in one step: a crash or a full disk leaves either the
// old or the new content, never a mix, and once it returns the new content survives a crash. A new
// file is readable and writable by its owner only, as it may hold passwords; an existing one keeps
// its permissions, and a symbolic link keeps pointing at the file it named. A file without any
// write permission is refused, whoever runs the program. Throws FileError.
void ReplaceTextFile(const std::string& path, std::string_view text);

} // namespace velnorix
