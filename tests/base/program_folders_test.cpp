#include "base/program_folders.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace velnorix::testing {
namespace {

namespace fs = std::filesystem;

struct FoldersCase {
    const char* Name;
    bool Installed; // share/velnorix beside bin
    UserFolderVariables Variables;
    // Expected, with "@" for the temporary prefix; empty: beside the executable.
    std::string Configurations;
    std::string Logs;
};

class ProgramFoldersTest : public ::testing::TestWithParam<FoldersCase> {};

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
    EXPECT_EQ(folders.Configurations, c.Configurations);
    EXPECT_EQ(folders.Logs, c.Logs);
    EXPECT_EQ(fs::weakly_canonical(folders.Resources), prefix.File("share/velnorix"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ProgramFoldersTest,
                         ::testing::Values(FoldersCase{"BuildFolderIgnoresTheVariables",
                                                       false,
                                                       {"/home/u", "/x/config", "/x/state"},
                                                       "",
                                                       ""},
                                           FoldersCase{"InstalledUsesTheVariables",
                                                       true,
                                                       {"/home/u", "/x/config", "/x/state"},
                                                       "/x/config/velnorix",
                                                       "/x/state/velnorix"},
                                           FoldersCase{"InstalledDefaultsUnderHome",
                                                       true,
                                                       {"/home/u", "", ""},
                                                       "/home/u/.config/velnorix",
                                                       "/home/u/.local/state/velnorix"},
                                           FoldersCase{"RelativeVariablesCountAsUnset",
                                                       true,
                                                       {"/home/u", "config", "state"},
                                                       "/home/u/.config/velnorix",
                                                       "/home/u/.local/state/velnorix"}),
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
} // namespace velnorix::testing
