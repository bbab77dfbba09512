#include "reports/log_files.h"

#include "engine/text_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velnorix {
namespace {

[[noreturn]] void ThrowReadError(const char* what, const std::string& path, int error) {
    throw FileError(std::string(what) + " \"" + path + "\". " + std::strerror(error));
}

// Closes the descriptor on every way out.
class OpenFile final {
public:
    explicit OpenFile(int fd) : m_fd(fd) {}
    ~OpenFile() { ::close(m_fd); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    [[nodiscard]] int Fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::string ReadLogFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        ThrowReadError("Cannot open file", path, errno);
    const OpenFile file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        ThrowReadError("Cannot read file", path, errno);

    // The engine may append while we read; whatever arrives before the end is read is kept.
    std::string bytes;
    std::size_t size = 0;
    bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    while (true) {
        if (size == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(file.Fd(), bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowReadError("Cannot read file", path, errno);
        if (n == 0)
            break;
        size += static_cast<std::size_t>(n);
    }
    bytes.resize(size);
    return bytes;
}

std::optional<std::string> ChooseInactiveLog(UserPrompts& prompts,
                                             const std::string& programDirectory, LogKind kind,
                                             const std::string& activeName) {
    FileDialogOptions options;
    options.InitialDirectory = programDirectory;
    options.FilterName = kind == LogKind::Detail ? "Detail Log" : "Summary Log";
    options.FilterPattern = kind == LogKind::Detail ? "*.log" : "*.smy";
    std::optional<std::string> chosen = prompts.ChooseFileToOpen(options);
    if (chosen && *chosen == activeName) {
        prompts.ShowInformation(kActiveLogChosenMessage);
        return std::nullopt;
    }
    return chosen;
}

void DeleteLogFiles(const RunModel& model) {
    DeleteFileQuietly(model.DetailLogName);
    DeleteFileQuietly(model.SummaryLogName);
}

} // namespace velnorix
