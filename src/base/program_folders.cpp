#include "base/program_folders.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#ifndef VELNORIX_DATA_FROM_BIN
#error "VELNORIX_DATA_FROM_BIN names the data folder relative to the executables' folder"
#endif

namespace velnorix {
namespace {

constexpr const char* kFolderName = "/velnorix";

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// $HOME, or the account's home folder where a service manager left it unset.
std::string HomeFolder() {
    std::string home = Variable("HOME");
    if (home.empty()) {
        const passwd* account = ::getpwuid(::getuid());
        if (account != nullptr && account->pw_dir != nullptr)
            home = account->pw_dir;
    }
    return home;
}

// A base folder from its variable, or the default under the home folder. Relative values are
// not meant to be honoured, so they count as unset.
std::string BaseFolder(const std::string& value, const std::string& home,
                       const char* defaultUnderHome) {
    if (value.starts_with('/'))
        return value;
    return home + defaultUnderHome;
}

} // namespace

UserFolderVariables UserFolderVariablesFromEnvironment() {
    return {.Home = HomeFolder(),
            .ConfigHome = Variable("XDG_CONFIG_HOME"),
            .StateHome = Variable("XDG_STATE_HOME")};
}

ProgramFolders FoldersBeside(const std::string& executableDirectory) {
    return {executableDirectory, executableDirectory, executableDirectory};
}

ProgramFolders ProgramFoldersFor(const std::string& executableDirectory,
                                 const UserFolderVariables& variables) {
    const std::string data = executableDirectory + "/" + VELNORIX_DATA_FROM_BIN;
    if (!IsDirectory(data))
        return FoldersBeside(executableDirectory);
    return {.Configurations =
                BaseFolder(variables.ConfigHome, variables.Home, "/.config") + kFolderName,
            .Logs = BaseFolder(variables.StateHome, variables.Home, "/.local/state") + kFolderName,
            .Resources = data};
}

std::string ExecutableDirectory() {
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string directory(path, static_cast<std::size_t>(length));
    const auto slash = directory.rfind('/');
    return slash == 0 ? "/" : directory.substr(0, slash);
}

void MakePrivateFolder(const std::string& path) {
    if (path.empty() || IsDirectory(path))
        return;
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        MakePrivateFolder(path.substr(0, slash));
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::system_error(errno, std::generic_category(), "Cannot create folder " + path);
}

} // namespace velnorix
