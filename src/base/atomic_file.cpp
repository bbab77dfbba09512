#include "base/atomic_file.h"

#include "base/text_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velnorix {
namespace {

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void WriteAll(int fd, const std::string& path, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowFileError("Cannot write to file", path, errno);
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The rename lives in the folder's entries: until they reach the disk, a crash may bring back
// the old file, or no file at all where there was none. A file system that cannot sync a
// folder (EINVAL) keeps its entries its own way.
void SyncFolder(const std::string& folder, const std::string& path) {
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() < 0)
        ThrowFileError("Cannot write to file", path, errno);
    if (::fsync(directory.Get()) != 0 && errno != EINVAL)
        ThrowFileError("Cannot write to file", path, errno);
}

// The path the new content must be renamed to: the file a symbolic link names, if it exists.
std::string ResolvedPath(const std::string& path, struct stat& existing, bool& exists) {
    exists = ::stat(path.c_str(), &existing) == 0;
    if (!exists)
        return path;
    if (!S_ISREG(existing.st_mode))
        ThrowFileError("Not a regular file", path, EISDIR);
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        ThrowFileError("Cannot open file", path, errno);
    // The rename would replace a read-only file regardless of its permissions.
    if (::access(resolved, W_OK) != 0 || (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        ThrowFileError("Cannot write to file", path, EACCES);
    return resolved;
}

} // namespace

void ReplaceTextFile(const std::string& path, std::string_view text) {
    struct stat existing {};
    bool exists = false;
    const std::string target = ResolvedPath(path, existing, exists);

    const std::size_t slash = target.rfind('/');
    std::string temporary = ParentFolder(target) + "/." +
                            target.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    // mkstemp creates the file with mode 0600.
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0)
        ThrowFileError("Cannot create file", path, errno);
    try {
        if (exists) {
            if (::fchmod(file.Get(), existing.st_mode & 07777) != 0)
                ThrowFileError("Cannot write to file", path, errno);
            // Only possible for a privileged user; otherwise the file stays ours.
            [[maybe_unused]] const int ignored =
                ::fchown(file.Get(), existing.st_uid, existing.st_gid);
        }
        WriteAll(file.Get(), path, text);
        if (::fsync(file.Get()) != 0 || file.Close() != 0)
            ThrowFileError("Cannot write to file", path, errno);
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            ThrowFileError("Cannot write to file", path, errno);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    SyncFolder(ParentFolder(target), path);
}

} // namespace velnorix
