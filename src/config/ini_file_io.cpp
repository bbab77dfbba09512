#include "config/ini_file_io.h"

#include "base/text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace velnorix {

std::optional<std::string> ReadWholeTextFile(const std::string& path) {
    // Non-blocking, so that a named pipe in place of the file cannot stall the program.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        ThrowFileError("Cannot open file", path, errno);
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        ThrowFileError("Cannot open file", path, errno);
    if (!S_ISREG(info.st_mode))
        ThrowFileError("Cannot open file", path, EISDIR);
    return ReadToEnd(file, path, static_cast<std::size_t>(info.st_size));
}

} // namespace velnorix
