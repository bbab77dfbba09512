#include "reports/log_files.h"

#include "base/text_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace velnorix {

std::string ReadLogFile(const std::string& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0)
        ThrowFileError("Cannot open file", path, errno);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        ThrowFileError("Cannot read file", path, errno);
    // The engine may append while we read; whatever arrives before the end is read is kept.
    return ReadToEnd(file, path, static_cast<std::size_t>(info.st_size));
}

std::optional<std::string> ChooseInactiveLog(UserPrompts& prompts, const std::string& logDirectory,
                                             LogKind kind, const std::string& activeName) {
    FileDialogOptions options;
    options.InitialDirectory = logDirectory;
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
    DeleteRunLogs(model.LogNames());
}

} // namespace velnorix
