#include "base/atomic_file.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace velnorix {
namespace {

using kit::ReadWholeFile;
using kit::TempDir;

// Run only by the test below, inside this program started again under strace.
TEST(IniFileIoTest, DISABLED_ReplaceForTrace) {
    ReplaceTextFile(std::getenv("VELNORIX_TRACED_SAVE"), "[Targets]\r\nCount=0\r\n");
}

// Whether a crash keeps the new file depends on the kernel's order of writes, which no file
// test can see; the system calls show it.
TEST(IniFileIoTest, TheFolderIsSyncedAfterTheRename) {
    if (std::system("strace -o /dev/null true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "strace is not available or may not trace here";
    TempDir dir;
    const std::string trace = dir.File("trace");
    // LeakSanitizer cannot run under ptrace; the traced save checks no leaks anyway.
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 VELNORIX_TRACED_SAVE='" +
                                dir.File("saved.ini") + "' strace -f -o '" + trace +
                                "' -e trace=rename,renameat,renameat2,openat,fsync "
                                "/proc/" +
                                std::to_string(::getpid()) +
                                "/exe --gtest_also_run_disabled_tests "
                                "--gtest_filter=IniFileIoTest.DISABLED_ReplaceForTrace >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    // After the rename into place: the folder opened, and that descriptor synced.
    const std::regex folderOpen(R"(openat\(AT_FDCWD, ")" + dir.Path() +
                                R"(", [^)]*O_DIRECTORY[^)]*\) = (\d+))");
    bool renamed = false;
    std::string folderDescriptor;
    bool synced = false;
    std::istringstream lines(ReadWholeFile(trace));
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (line.find("rename") != std::string::npos &&
            line.find("saved.ini\"") != std::string::npos)
            renamed = true;
        else if (renamed && std::regex_search(line, match, folderOpen))
            folderDescriptor = match[1];
        else if (!folderDescriptor.empty() &&
                 line.find("fsync(" + folderDescriptor + ")") != std::string::npos)
            synced = line.find("= 0") != std::string::npos;
    }
    EXPECT_TRUE(renamed) << ReadWholeFile(trace);
    EXPECT_TRUE(synced) << ReadWholeFile(trace);
}

} // namespace
} // namespace velnorix
