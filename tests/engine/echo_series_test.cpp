#include "engine/echo_figures.h"
#include "engine/target_state.h"
#include "real_probe_rig.h"
#include "support/network_namespace_fixture.h"

#include <chrono>
#include <cstdint>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using testing::StartsWith;

TEST(EchoFiguresTest, ReadLikePingsSummary) {
    const std::vector<std::uint32_t> some = {1, 2, 4};
    EXPECT_EQ(FiguresOf(5, some).Text(),
              "5 sent, 3 answered, 40% loss; round trip min/mean/max/mdev 1/2.3/4/1.2 ms");
    const std::vector<std::uint32_t> most = {7, 7};
    EXPECT_EQ(FiguresOf(3, most).Text(),
              "3 sent, 2 answered, 33% loss; round trip min/mean/max/mdev 7/7/7/0 ms");
    EXPECT_EQ(FiguresOf(4, {}).Text(), "4 sent, 0 answered, 100% loss");
}

class EchoSeriesTest : public kit::NetworkNamespaceTest {};

// Five echoes to a host of the test's own namespace, which drops the second and the fourth
// request: 40% loss fails a target that allows 20%, and passes one that allows 40%.
TEST_F(EchoSeriesTest, TwoOfFiveEchoesLostAreFortyPerCentLoss) {
    if (!m_namespace->Exec("nft 'add table ip velnorix; add chain ip velnorix in { type filter "
                           "hook input priority 0; }; add rule ip velnorix in icmp type "
                           "echo-request numgen inc mod 5 { 1, 3 } drop'"))
        GTEST_SKIP() << "nft cannot add a rule in the namespace (package nftables)";
    kit::RealProbeRig rig(500ms);
    rig.AddTarget(kTagPing, "127.0.0.1", 0, true);
    rig.Model.Target(0).Echoes = 5;
    rig.Model.Target(0).LossPct = 20;
    m_namespace->Run([&] { rig.Scheduler.StartTestRun(); });

    const TargetStatistics& figures = rig.Model.StatisticsOf(0);
    EXPECT_THAT(rig.DetailLog(), StartsWith("   1 14:03:27 Dec 06, 2026  Failure:"));
    EXPECT_EQ(figures.Echoes.Sent, 5);
    EXPECT_EQ(figures.Echoes.Answered, 3);
    EXPECT_THAT(figures.LastReason,
                StartsWith("Loss above 20%: 5 sent, 3 answered, 40% loss; round trip "
                           "min/mean/max/mdev "));
    EXPECT_EQ(figures.State, TargetState::Down);
    EXPECT_EQ(rig.Host.Sounds(), 1);

    rig.Model.Target(0).LossPct = 40;
    m_namespace->Run([&] { rig.Scheduler.OnIntervalElapsed(); });
    EXPECT_THAT(rig.Display.ResultReasons().back(), StartsWith("5 sent, 3 answered, 40% loss"));
    EXPECT_EQ(figures.State, TargetState::Up);
    EXPECT_EQ(figures.Failures, 1);
}

} // namespace
} // namespace velnorix
