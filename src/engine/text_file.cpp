#include "engine/text_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velnorix {
namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::string& path, int error)
{
    throw FileError(std::string(what) + " \"" + path + "\". " + std::strerror(error));
}

void WriteAllAndClose(int fd, const std::string& path, std::string_view text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            ThrowFileError("Cannot write to file", path, error);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0)
        ThrowFileError("Cannot write to file", path, errno);
}

} // namespace

void WriteNewFile(const std::string& path, std::string_view text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        ThrowFileError("Cannot create file", path, errno);
    WriteAllAndClose(fd, path, text);
}

void AppendToExistingFile(const std::string& path, std::string_view text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        ThrowFileError("Cannot open file", path, errno);
    WriteAllAndClose(fd, path, text);
}

void DeleteFileQuietly(const std::string& path)
{
    if (!path.empty())
        ::unlink(path.c_str());
}

bool FileExists(const std::string& path)
{
    struct stat info{};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace velnorix
