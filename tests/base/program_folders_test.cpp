#include "base/program_folders.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace velnorix::kit {
namespace {

namespace fs = std::filesystem;

struct FoldersCase {
    const char* Name;
    bool Installed; // share/velnorix beside bin; if not, everything is beside the executable
    UserFolderVariables Variables;
    // Where the velnorix folders for configurations and logs go when installed.
    std::string ConfigurationsBase;
    std::string LogsBase;
};

class ProgramFoldersTest : public testing::TestWithParam<FoldersCase> {};

TEST_P(ProgramFoldersTest, FollowTheLayoutTheExecutableSitsIn) {
    const FoldersCase& c = GetParam();
    TempDir prefix;
    const std::string bin = prefix.File("bin");
    fs::create_directories(bin);
    if (c.Installed)
        fs::create_directories(prefix.File("share/velnorix"));
    const ProgramFolders folders = ProgramFoldersFor(bin, c.Variables);
    if (!c.Installed) {
        EXPECT_EQ(folders.Configurations, bin);
        EXPECT_EQ(folders.Logs, bin);
        EXPECT_EQ(folders.Resources, bin);
        return;
    }
    EXPECT_EQ(folders.Configurations, c.ConfigurationsBase + "/velnorix");
    EXPECT_EQ(folders.Logs, c.LogsBase + "/velnorix");
    EXPECT_EQ(fs::weakly_canonical(folders.Resources), prefix.File("share/velnorix"));
}

const UserFolderVariables kAllSet{"/home/u", "/x/config", "/x/state"};
const UserFolderVariables kUnset{"/home/u", "", ""};
const UserFolderVariables kRelative{"/home/u", "config", "state"};

INSTANTIATE_TEST_SUITE_P(
    Layouts, ProgramFoldersTest,
    testing::Values(FoldersCase{"BuildFolderIgnoresTheVariables", false, kAllSet, "", ""},
                    FoldersCase{"InstalledUsesTheVariables", true, kAllSet, "/x/config",
                                "/x/state"},
                    FoldersCase{"InstalledDefaultsUnderHome", true, kUnset, "/home/u/.config",
                                "/home/u/.local/state"},
                    FoldersCase{"RelativeVariablesCountAsUnset", true, kRelative, "/home/u/.config",
                                "/home/u/.local/state"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(MakePrivateFolderTest, MakesMissingFoldersOwnerOnlyAndLeavesExistingOnesAlone) {
    TempDir dir;
    ::chmod(dir.Path().c_str(), 0755);
    const std::string deep = dir.File("state/velnorix");
    MakePrivateFolder(deep);
    for (const std::string& made : {dir.File("state"), deep}) {
        struct stat info {};
        ASSERT_EQ(::stat(made.c_str(), &info), 0) << made;
        EXPECT_EQ(info.st_mode & 0777, 0700U) << made;
    }
    MakePrivateFolder(dir.Path());
    struct stat info {};
    ASSERT_EQ(::stat(dir.Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755U);
    WriteWholeFile(dir.File("file"), "x");
    EXPECT_THROW(MakePrivateFolder(dir.File("file/below")), std::system_error);
}

} // namespace
} // namespace velnorix::kit
