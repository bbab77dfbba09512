// A short version of scripts/long-run: the console monitor over a few cycles against flaky
// servers, with the same measurements and checks.
#include "hardening/long_run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace velnorix::kit {
namespace {

// What the resident memory of the console monitor may change by between two idle moments a
// few cycles apart: allocator noise, not growth. Under AddressSanitizer freed memory waits in
// its quarantine first, which adds some tens of KiB a cycle.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kResidentNoiseKiB = 2048;
#else
constexpr long kResidentNoiseKiB = 512;
#endif

TEST(LongRunTest, TheConsoleMonitorKeepsItsDescriptorsAndMemoryAndWritesEveryBlock) {
    TempDir folder;
    const LongRunResult run =
        RunConsoleMonitorLongRun({VELNORIX_CLI_PATH, folder.Path(), /*Cycles=*/7, /*Seed=*/7});

    EXPECT_EQ(run.ExitStatus, 0) << run.Errors;
    EXPECT_EQ(run.LogFaults, std::vector<std::string>{});
    EXPECT_GT(run.Misbehaved, 0) << "the servers failed nothing, so nothing was tested";
    EXPECT_GT(run.FailureLines, 0);
    ASSERT_FALSE(run.Start.Descriptors.empty());
    EXPECT_EQ(run.End.Descriptors, run.Start.Descriptors);
    EXPECT_LE(run.End.ResidentKiB, run.Start.ResidentKiB + kResidentNoiseKiB);
    std::printf("long run: %d cycles; %ld exchanges, %ld misbehaved, %ld failure lines; "
                "after cycle %d: %ld KiB, %zu descriptors; after cycle %d: %ld KiB, %zu "
                "descriptors\n",
                run.EndCycle + 1, run.Exchanges, run.Misbehaved, run.FailureLines, run.StartCycle,
                run.Start.ResidentKiB, run.Start.Descriptors.size(), run.EndCycle,
                run.End.ResidentKiB, run.End.Descriptors.size());
}

} // namespace
} // namespace velnorix::kit
