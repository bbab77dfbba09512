// The run's logs on a file system that fills up or turns read-only during the run: the cycle
// reports the error, records no probe twice and loses none, and the run goes on cleanly once
// the disk is usable again. The file system is a small tmpfs in a private mount namespace; as
// root, permission bits would not stop a write, so read-only means a read-only remount.
#include "base/text_file.h"
#include "engine/engine_rig.h"
#include "hardening/log_blocks.h"
#include "hardening/private_mount.h"
#include "hardening/process_figures.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace velnorix::kit {
namespace {

constexpr std::size_t kDiskBytes = 64 * 1024;
constexpr std::size_t kPage = 4096; // tmpfs hands out space a page at a time

class DiskTroubleTest : public testing::Test {
protected:
    void SetUp() override {
        std::string whyNot;
        m_mount = PrivateMount::Create(kDiskBytes, whyNot);
        if (!m_mount)
            GTEST_SKIP() << whyNot;
        m_rig.Host.SetLogDirectory(m_mount->Path());
        // Three pings, the second one failing after 5 s.
        for (const char* addr : {"127.0.0.1", "192.0.2.10", "127.0.0.2"}) {
            m_rig.AddTarget("<Ping>", addr);
            m_targets.push_back({"<Ping>", addr});
        }
        m_rig.Probes.Script.Set("EchoExchange", "127.0.0.1",
                                {20, false, ReplyStatusKind::Echo, {}});
        m_rig.Probes.Script.Set("EchoExchange", "192.0.2.10",
                                {5020, false, ReplyStatusKind::TimedOut, {}});
        m_rig.Probes.Script.Set("EchoExchange", "127.0.0.2",
                                {30, false, ReplyStatusKind::Echo, {}});
        m_descriptors = ReadProcessFigures().Descriptors;
    }

    // A Timer1 tick as the shell delivers it; the text of the error its general error display
    // would show.
    std::optional<std::string> Tick() {
        try {
            m_rig.Tick();
        } catch (const FileError& error) {
            return error.what();
        }
        return std::nullopt;
    }

    // Every probe that ran is in the statistics exactly once.
    void ExpectEveryProbeRecordedOnce() const {
        const auto& journal = m_rig.Probes.Script.Journal();
        const auto probed = std::count_if(journal.begin(), journal.end(), [](const auto& entry) {
            return entry.starts_with("EchoExchange");
        });
        long attempts = 0;
        for (std::int32_t i = 0; i < m_rig.Model.TargetCount(); ++i)
            attempts += m_rig.Model.StatisticsOf(i).Attempts;
        EXPECT_EQ(attempts, probed);
    }

    // Writes a filler file until the disk has no page left.
    void FillDisk() {
        const int fd = ::open(Filler().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        const std::string chunk(kPage, 'f');
        while (::write(fd, chunk.data(), chunk.size()) > 0) {
        }
        const std::string last(1, 'f');
        while (::write(fd, last.data(), 1) > 0) {
        }
        ::close(fd);
    }
    void FreeDisk() { std::filesystem::remove(Filler()); }

    static std::size_t FreeInLastPage(const std::string& path) {
        const auto size = std::filesystem::file_size(path);
        return size % kPage == 0 ? 0 : kPage - size % kPage;
    }

    // After Stop Test and Start Test with space back, a few cycles give two whole logs.
    void ExpectStopAndStartRunCleanly() {
        const std::string oldDetail = m_rig.Model.DetailLogName;
        m_rig.Scheduler.RequestStop();
        m_rig.Scheduler.StartTestRun();
        EXPECT_NE(m_rig.Model.DetailLogName, oldDetail);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Tick(), std::nullopt);
        EXPECT_TRUE(m_rig.Timer1.WouldTick());
        EXPECT_EQ(CheckRunLogs(m_rig.DetailLog(), m_rig.SummaryLog(), m_targets, CycleRange(1, 4)),
                  std::vector<std::string>{});
        ExpectEveryProbeRecordedOnce();
        EXPECT_EQ(ReadProcessFigures().Descriptors, m_descriptors) << "a log left open";
    }

    std::string Filler() const { return m_mount->Path() + "/filler"; }

    EngineRig m_rig;
    std::unique_ptr<PrivateMount> m_mount;
    std::vector<LoggedTarget> m_targets;
    std::vector<std::string> m_descriptors;
};

TEST_F(DiskTroubleTest, ADetailLogThatFillsTheDiskFailsItsCyclesUntilSpaceIsBack) {
    m_rig.Scheduler.StartTestRun();
    // Go on until the detail log's last page cannot take another block while the summary's
    // still can, so the detail log is the one to run out of space.
    for (int i = 0; i < 100 && !(FreeInLastPage(m_rig.Model.DetailLogName) < 220 &&
                                 FreeInLastPage(m_rig.Model.SummaryLogName) > 1000);
         ++i)
        ASSERT_EQ(Tick(), std::nullopt);
    const int goodCycles = m_rig.Model.CycleCount;
    const std::string summaryBefore = m_rig.SummaryLog();
    FillDisk();

    for (int i = 0; i < 2; ++i) {
        const auto error = Tick();
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find("No space left on device"), std::string::npos) << *error;
        EXPECT_TRUE(m_rig.Timer1.WouldTick()) << "the next tick tries again";
        ExpectEveryProbeRecordedOnce();
    }
    EXPECT_EQ(m_rig.SummaryLog(), summaryBefore) << "no summary for a cycle that failed";
    EXPECT_EQ(m_rig.Model.CycleCount, goodCycles + 2);

    FreeDisk();
    EXPECT_EQ(Tick(), std::nullopt) << "space is back: the run goes on by itself";
    ExpectEveryProbeRecordedOnce();
    ExpectStopAndStartRunCleanly();
}

TEST_F(DiskTroubleTest, ASummaryLogThatFillsTheDiskHaltsTheRunUntilStopAndStart) {
    m_rig.Scheduler.StartTestRun();
    FillDisk();
    std::optional<std::string> error;
    for (int i = 0; i < 100 && !error; ++i)
        error = Tick();
    ASSERT_TRUE(error.has_value()) << "the disk never filled";
    EXPECT_NE(error->find("No space left on device"), std::string::npos) << *error;
    EXPECT_NE(error->find(".smy"), std::string::npos) << "the summary log runs out first";
    EXPECT_FALSE(m_rig.Timer1.Enabled()) << "the run halts";
    ExpectEveryProbeRecordedOnce();
    // Everything up to the failed block is whole in both logs.
    const int cycles = m_rig.Model.CycleCount;
    const std::string summary = m_rig.SummaryLog();
    const std::string wholeBlocks = summary.substr(0, summary.rfind(" \r\n") + 3);
    std::string detail = m_rig.DetailLog();
    detail.resize(detail.rfind("\r\n\r\n", detail.size() - 5) + 4); // without the last block
    EXPECT_EQ(CheckRunLogs(detail, wholeBlocks, m_targets, CycleRange(1, cycles - 1)),
              std::vector<std::string>{});

    FreeDisk();
    ExpectStopAndStartRunCleanly();
}

TEST_F(DiskTroubleTest, AReadOnlyDiskSkipsTheCyclesUntilItIsWritableAgain) {
    m_rig.Scheduler.StartTestRun();
    ASSERT_EQ(Tick(), std::nullopt);
    ASSERT_TRUE(m_mount->SetReadOnly(true));

    for (int i = 0; i < 2; ++i) {
        const auto error = Tick();
        ASSERT_TRUE(error.has_value());
        EXPECT_NE(error->find("Read-only file system"), std::string::npos) << *error;
        EXPECT_TRUE(m_rig.Timer1.WouldTick()) << "the next tick tries again";
    }
    ExpectEveryProbeRecordedOnce();
    EXPECT_EQ(m_rig.Model.StatisticsOf(0).Attempts, 2) << "nothing probed while the log was closed";

    ASSERT_TRUE(m_mount->SetReadOnly(false));
    EXPECT_EQ(Tick(), std::nullopt);
    // Cycles 3 and 4 ended at opening the log: no block, and the figures go on from cycle 2.
    EXPECT_EQ(CheckRunLogs(m_rig.DetailLog(), m_rig.SummaryLog(), m_targets, {1, 2, 5}),
              std::vector<std::string>{});
    ExpectStopAndStartRunCleanly();
}

} // namespace
} // namespace velnorix::kit
