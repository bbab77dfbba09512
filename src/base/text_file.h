#pragma once

#include "base/file_descriptor.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace velnorix {

// A file that could not be created, opened or written; the message carries the system's
// own description of the cause.
class FileError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws FileError: `what`, the path in quotes, and the system's description of `error`.
[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error);

// Reads an open file to its end; `sizeHint` is the size it is expected to have. A failed
// read throws FileError.
std::string ReadToEnd(const FileDescriptor& file, const std::string& path, std::size_t sizeHint);

// Log and configuration lines end in CR LF.
inline constexpr std::string_view kLineEnd = "\r\n";

// Creates the file, or empties it, and writes `text`; the file is closed on return.
void WriteNewFile(const std::string& path, std::string_view text);
// Creates a file that must not exist yet, readable and writable by its owner only, and writes
// `text`. Returns false, having opened nothing, when the name is taken by anything at all: a
// file, a symbolic link (even a dangling one), a named pipe.
[[nodiscard]] bool CreateNewFile(const std::string& path, std::string_view text);
// Appends `text` to a file that must already exist and is not reached through a symbolic
// link; the file is closed on return.
void AppendToExistingFile(const std::string& path, std::string_view text);
// Deletes a file when it exists; failures are ignored.
void DeleteFileQuietly(const std::string& path);
[[nodiscard]] bool FileExists(const std::string& path);
// False only when nothing has that name. Unlike FileExists, a folder counts, and so does a
// name behind a folder that may not be searched: opening those fails for a reason to report.
[[nodiscard]] bool NameExists(const std::string& path);

// A file that must already exist, not reached through a symbolic link, held open for
// appending during one batch of work. Every Write reaches the file at once; Close reports a
// failed close, and a file still open when the object goes away is closed quietly.
class AppendingFile final {
public:
    explicit AppendingFile(const std::string& path);
    ~AppendingFile();
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    void Write(std::string_view text);
    void Close();

private:
    std::string m_path;
    int m_fd = -1;
};

} // namespace velnorix
