#include "base/text_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velnorix {
namespace {

void WriteAll(int fd, const std::string& path, std::string_view text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowFileError("Cannot write to file", path, errno);
        done += static_cast<std::size_t>(n);
    }
}

void WriteAllAndClose(int fd, const std::string& path, std::string_view text) {
    try {
        WriteAll(fd, path, text);
    } catch (const FileError&) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        ThrowFileError("Cannot write to file", path, errno);
}

// A symbolic link planted at a log's name after the log was created is refused, not written
// through. Non-blocking, so that a named pipe planted there cannot stall the open.
int OpenForAppending(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        ThrowFileError("Cannot open file", path, errno);
    return fd;
}

} // namespace

void ThrowFileError(const char* what, const std::string& path, int error) {
    throw FileError(std::string(what) + " \"" + path + "\". " + std::strerror(error));
}

std::string ReadToEnd(const FileDescriptor& file, const std::string& path, std::size_t sizeHint) {
    std::string text;
    text.reserve(sizeHint);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowFileError("Cannot read file", path, errno);
        if (n == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

void WriteNewFile(const std::string& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        ThrowFileError("Cannot create file", path, errno);
    WriteAllAndClose(fd, path, text);
}

bool CreateNewFile(const std::string& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0 && errno == EEXIST)
        return false;
    if (fd < 0)
        ThrowFileError("Cannot create file", path, errno);
    WriteAllAndClose(fd, path, text);
    return true;
}

void AppendToExistingFile(const std::string& path, std::string_view text) {
    WriteAllAndClose(OpenForAppending(path), path, text);
}

void DeleteFileQuietly(const std::string& path) {
    if (!path.empty())
        ::unlink(path.c_str());
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool NameExists(const std::string& path) {
    struct stat info {};
    return !path.empty() &&
           (::stat(path.c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR));
}

AppendingFile::AppendingFile(const std::string& path)
    : m_path(path), m_fd(OpenForAppending(path)) {}

AppendingFile::~AppendingFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void AppendingFile::Write(std::string_view text) {
    WriteAll(m_fd, m_path, text);
}

void AppendingFile::Close() {
    if (m_fd < 0)
        return;
    const int fd = std::exchange(m_fd, -1);
    if (::close(fd) != 0)
        ThrowFileError("Cannot write to file", m_path, errno);
}

} // namespace velnorix
