#pragma once

#include <string>

namespace velnorix {

// Where a run looks up bare configuration names, writes its logs and reads its help page.
// Paths carry no trailing "/".
struct ProgramFolders {
    std::string Configurations;
    std::string Logs;
    std::string Resources;
};

// The user's folder variables as the environment gives them; empty when unset.
struct UserFolderVariables {
    std::string Home;
    std::string ConfigHome; // XDG_CONFIG_HOME
    std::string StateHome;  // XDG_STATE_HOME
};

UserFolderVariables UserFolderVariablesFromEnvironment();

// Everything beside the executable: a run from the build folder.
ProgramFolders FoldersBeside(const std::string& executableDirectory);

// An installed program is one whose data folder (`share/velnorix` under the prefix its
// executable sits in) exists; it keeps configurations in $XDG_CONFIG_HOME/velnorix and logs in
// $XDG_STATE_HOME/velnorix (defaults ~/.config and ~/.local/state; relative values are
// ignored). Any other program keeps everything beside its executable.
ProgramFolders ProgramFoldersFor(const std::string& executableDirectory,
                                 const UserFolderVariables& variables);

// The folder the running executable sits in.
std::string ExecutableDirectory();

// Creates `path` and its missing parents with mode 0700 (a folder that exists keeps its
// mode). Throws std::system_error naming the folder when it cannot be made.
void MakePrivateFolder(const std::string& path);

} // namespace velnorix
