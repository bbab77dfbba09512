#include "engine/display_header.h"
#include "probes/probe_errors.h"
#include "real_probe_rig.h"
#include "support/counted_probes.h"
#include "support/loopback_server.h"
#include "support/network_namespace_fixture.h"
#include "support/service_scripts.h"

#include <algorithm>
#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using kit::LoopbackServer;
using kit::ServerScript;
using testing::EndsWith;
using testing::StartsWith;

// How long a probe waits for a silent target: short, so the cycle ends soon.
constexpr std::chrono::milliseconds kBound = 1500ms;
constexpr int kTargets = 40;
constexpr int kParallel = 16;
// Two of each type, spread over the table: 3 and 39 SMTP, 6 and 34 POP3, 8 and 20 pings, 13 and
// 29 web pages.
const std::set<int> kSilentPositions = {3, 6, 8, 13, 20, 29, 34, 39};
constexpr int kLivePerType = 8;
constexpr int kSilentListened = 6; // web, POP3 and SMTP targets that connect and hear nothing
// Behind a link of the namespace that drops everything.
const std::vector<std::string> kSilentHosts = {"198.51.100.2", "198.51.100.3"};

// Forty targets of all four types probed sixteen at a time, all inside a namespace of the
// test's own: scripted servers on its loopback, eight targets that never answer.
class ParallelCycleNetworkTest : public kit::NetworkNamespaceTest {
protected:
    void SetUp() override {
        NetworkNamespaceTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(m_namespace->AddSilentHosts(kSilentHosts));
        // A listening socket stays in the namespace it was made in.
        m_namespace->Run([this] {
            m_web = std::make_unique<LoopbackServer>(
                std::vector<ServerScript>(kLivePerType, kit::WebPage()));
            m_pop3 = std::make_unique<LoopbackServer>(
                std::vector<ServerScript>(kLivePerType, kit::Pop3Login("ann", "s3cret")));
            m_smtp = std::make_unique<LoopbackServer>(
                std::vector<ServerScript>(kLivePerType, kit::SmtpGreeting()));
            m_silent = std::make_unique<LoopbackServer>(
                std::vector<ServerScript>(kSilentListened, ServerScript().Silence()));
        });
        m_waits = std::make_unique<kit::WaitCounter>(
            std::set<std::string>(kSilentHosts.begin(), kSilentHosts.end()), m_silent->Port());
        m_rig = std::make_unique<kit::RealProbeRig>(
            kBound, kit::CountingWaits(NetworkProbeMakers(kit::BoundedBy(kBound)), *m_waits));
        AddTargets();
        m_rig->Model.Config.Parallel = kParallel;
        // Room for the header and a whole block, so the cycle's lines all stay in view.
        m_rig->Display.SetVisibleLines(200);
        ShowTargetHeader(m_rig->Model.Config, m_rig->Display);
    }

    void AddTargets() {
        static constexpr std::string_view kTags[] = {kTagPing, kTagHtml, kTagPop3, kTagSmtp};
        const std::uint16_t livePorts[] = {0, m_web->Port(), m_pop3->Port(), m_smtp->Port()};
        std::size_t silentHost = 0;
        for (int i = 0; i < kTargets; ++i) {
            const bool silent = kSilentPositions.contains(i);
            const bool ping = kTags[i % 4] == kTagPing;
            const std::uint16_t port = silent && !ping ? m_silent->Port() : livePorts[i % 4];
            std::string addr = silent && ping ? kSilentHosts.at(silentHost++) : "127.0.0.1";
            if (kTags[i % 4] == kTagHtml)
                addr = "http://127.0.0.1:" + std::to_string(port) + "/";
            TargetSettings& entry = m_rig->Model.Target(m_rig->AddTarget(kTags[i % 4], addr, port));
            entry.User = "ann";
            entry.Password = "s3cret";
        }
    }

    // One test run of one cycle on a thread inside the namespace, where the workers start too.
    void RunOneCycle() {
        m_namespace->Run([this] { m_rig->Scheduler.StartTestRun(); });
    }

    // The detail log's block holds one line per target in target order with its verdict, and
    // each target's statistics count that one probe.
    void ExpectEveryTargetRecordedInOrder() {
        const std::vector<std::string> lines =
            kit::SplitCrLfLines(kit::ReadWholeFile(m_rig->Model.DetailLogName));
        ASSERT_EQ(lines.size(), kTargets + 1U);
        EXPECT_EQ(lines.back(), "") << "the block ends with an empty line";
        for (int i = 0; i < kTargets; ++i) {
            const TargetSettings& entry = m_rig->Model.Target(i);
            const TargetStatistics& figures = m_rig->Model.StatisticsOf(i);
            const bool silent = kSilentPositions.contains(i);
            const std::string& line = lines[static_cast<std::size_t>(i)];
            EXPECT_THAT(line, StartsWith(std::string("   1 14:03:27 Dec 06, 2026  ") +
                                         (silent ? "Failure:" : "Success:")))
                << "target " << i;
            EXPECT_THAT(line, EndsWith(" secs  " + entry.Type + entry.Addr)) << "target " << i;
            EXPECT_EQ(figures.Attempts, 1) << "target " << i;
            EXPECT_EQ(figures.Failures, silent ? 1 : 0) << "target " << i;
            const std::string reason =
                entry.Type == kTagPing ? "No echo reply in time" : error_text::kReadTimeout;
            EXPECT_EQ(figures.LastReason, silent ? reason : "") << "target " << i;
        }
    }

    // The result lines the display shows, newest first.
    [[nodiscard]] std::vector<std::string> ShownResults() const {
        std::vector<std::string> shown;
        std::ranges::copy_if(m_rig->Display.Lines(), std::back_inserter(shown),
                             [](const std::string& line) { return line.starts_with("   1 "); });
        return shown;
    }

    void ExpectServersPlayedTheirScripts() {
        for (LoopbackServer* server : {m_web.get(), m_pop3.get(), m_smtp.get(), m_silent.get()})
            server->Finish();
        for (LoopbackServer* server : {m_web.get(), m_pop3.get(), m_smtp.get()}) {
            EXPECT_EQ(server->ConnectionCount(), static_cast<std::size_t>(kLivePerType));
            EXPECT_THAT(server->Mismatches(), testing::IsEmpty());
        }
        EXPECT_EQ(m_silent->ConnectionCount(), static_cast<std::size_t>(kSilentListened));
    }

    std::unique_ptr<LoopbackServer> m_web;
    std::unique_ptr<LoopbackServer> m_pop3;
    std::unique_ptr<LoopbackServer> m_smtp;
    std::unique_ptr<LoopbackServer> m_silent;
    std::unique_ptr<kit::WaitCounter> m_waits;
    std::unique_ptr<kit::RealProbeRig> m_rig;
};

TEST_F(ParallelCycleNetworkTest, RecordsEveryTargetInOrderWhileAllSilentOnesWaitTogether) {
    RunOneCycle();

    ExpectEveryTargetRecordedInOrder();
    std::vector<std::string> logged =
        kit::SplitCrLfLines(kit::ReadWholeFile(m_rig->Model.DetailLogName));
    logged.pop_back();
    std::ranges::reverse(logged);
    EXPECT_EQ(ShownResults(), logged) << "the display shows the newest result on top";
    EXPECT_EQ(m_waits->Peak(), static_cast<int>(kSilentPositions.size()))
        << "every silent target's probe waited at the same time";
    EXPECT_EQ(m_rig->Model.CycleCount, 1);
    EXPECT_TRUE(m_rig->Timer1.Enabled());
    ExpectServersPlayedTheirScripts();
}

TEST_F(ParallelCycleNetworkTest, StopDuringTheCycleStillRecordsEveryTargetThenEndsTheRun) {
    for (const int position : kSilentPositions)
        m_rig->Model.Target(position).Audible = true;
    // The first failure asks for a stop, as a click while the probes run does; it is delivered
    // at the next pump point.
    std::size_t shownAtStop = 0;
    bool posted = false;
    m_rig->Host.OnSound([&] {
        if (std::exchange(posted, true))
            return;
        m_rig->Host.Post([&] {
            shownAtStop = ShownResults().size();
            m_rig->Scheduler.RequestStop();
        });
    });

    RunOneCycle();

    EXPECT_EQ(shownAtStop, static_cast<std::size_t>(kTargets));
    ExpectEveryTargetRecordedInOrder();
    EXPECT_EQ(m_rig->Host.Sounds(), static_cast<int>(kSilentPositions.size()));
    EXPECT_TRUE(m_rig->Model.StopRequested);
    EXPECT_FALSE(m_rig->Timer1.Enabled()) << "no further cycle";
    EXPECT_THAT(m_rig->StatusBar.Text(), EndsWith("  Test Stopped!"));
    ExpectServersPlayedTheirScripts();
}

} // namespace
} // namespace velnorix
