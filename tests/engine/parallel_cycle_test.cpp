#include "engine/probe_set.h"
#include "engine_rig.h"
#include "probes/probe_errors.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using kit::EngineRig;

// What the probes of every worker share: what each probe call does, by address, and a record
// of the calls begun, finished and in flight at once.
class Stage final {
public:
    using Behaviour = std::function<void(Stage&, const std::string&)>;

    explicit Stage(Behaviour behaviour) : m_behaviour(std::move(behaviour)) {}

    void Probe(const std::string& address) {
        {
            const std::lock_guard lock(m_mutex);
            m_begun.insert(address);
            m_peak = std::max(m_peak, ++m_inFlight);
        }
        m_changed.notify_all();
        const std::unique_ptr<Stage, decltype([](Stage* stage) { stage->Leave(); })> leave(this);
        m_behaviour(*this, address);
    }

    // Waits until `done` holds; throws after 10 s, so a cycle that never lets it hold fails
    // its probe instead of hanging the test.
    void WaitFor(const std::function<bool(int finished, bool open)>& done) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, std::chrono::seconds(10),
                                [&] { return done(m_finished, m_open); }))
            throw std::runtime_error("waited in vain");
    }
    // Waits until `count` probes have begun; gives up after 10 s as WaitFor does.
    void WaitUntilBegun(std::size_t count) {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_begun.size() >= count; });
    }
    // Lets the probes that wait for it go on.
    void Open() {
        {
            const std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_changed.notify_all();
    }

    [[nodiscard]] std::set<std::string> Begun() {
        const std::lock_guard lock(m_mutex);
        return m_begun;
    }
    [[nodiscard]] int Peak() {
        const std::lock_guard lock(m_mutex);
        return m_peak;
    }
    int WebProbesMade = 0;

private:
    void Leave() {
        {
            const std::lock_guard lock(m_mutex);
            --m_inFlight;
            ++m_finished;
        }
        m_changed.notify_all();
    }

    Behaviour m_behaviour;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<std::string> m_begun;
    int m_inFlight = 0;
    int m_peak = 0;
    int m_finished = 0;
    bool m_open = false;
};

// One component of each type, all running the stage's behaviour for their address.
class StageProbes final : public ProbeSet,
                          public EchoProbe,
                          public HeadProbe,
                          public LoginDialogueProbe,
                          public PortProbe,
                          public DnsProbe {
public:
    explicit StageProbes(Stage& stage) : m_stage(stage) {}

    ProbeComponents Components() override { return {*this, *this, *this, *this, *this, *this}; }
    void SetHost(std::string_view host) override { m_host = host; }
    void SetPort(std::int32_t /*port*/) override {}
    void SetTarget(std::int32_t /*position*/) override {}
    void SetUsername(std::string_view /*user*/) override {}
    void SetPassword(std::string_view /*password*/) override {}
    void EchoExchange(std::string_view /*data*/, std::uint16_t /*sequence*/) override {
        m_stage.Probe(m_host);
    }
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return ReplyStatusKind::Echo; }
    void HeadRequest(std::string_view address) override { m_stage.Probe(std::string(address)); }
    void CloseConnection() override {}
    void StartDialogue() override { m_stage.Probe(m_host); }
    void EndDialogue() override {}
    void Open(const PortCheck& check) override { m_stage.Probe(check.Host); }
    void Close() override {}
    void Query(const DnsQuestion& question) override { m_stage.Probe(question.Name); }

private:
    Stage& m_stage;
    std::string m_host;
};

ProbeMakers StageMakers(Stage& stage) {
    return {.Worker = [&stage] { return std::make_unique<StageProbes>(stage); },
            .Web =
                [&stage] {
                    ++stage.WebProbesMade;
                    return std::make_unique<StageProbes>(stage);
                }};
}

TEST(ParallelCycleTest, RecordsInTargetOrderWhileLaterProbesFinishFirstAndAThrowFailsOnlyItsOwn) {
    Stage stage([](Stage& self, const std::string& address) {
        if (address == "slow") // waits for every other target
            self.WaitFor([](int finished, bool /*open*/) { return finished >= 5; });
        if (address == "int")
            throw 42;
        if (address == "std")
            throw std::runtime_error("Socket Error # 111\r\nConnection refused");
    });
    EngineRig rig(StageMakers(stage));
    rig.Model.Config.Parallel = 3;
    rig.AddTarget("<Ping>", "slow");
    rig.AddTarget("<HTML>", "http://a/");
    rig.AddTarget("<POP3>", "int");
    rig.AddTarget("<SMTP>", "b");
    rig.AddTarget("<Ping>", "std");
    rig.AddTarget("<junk>", "never");
    rig.AddTarget("<HTML>", "http://c/");

    rig.Scheduler.StartTestRun();

    EXPECT_EQ(rig.DetailLog(),
              "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <Ping>slow\r\n"
              "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <HTML>http://a/\r\n"
              "   1 14:03:27 Dec 06, 2026  Failure:  0.00 secs  <POP3>int\r\n"
              "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <SMTP>b\r\n"
              "   1 14:03:27 Dec 06, 2026  Failure:  0.00 secs  <Ping>std\r\n"
              "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <HTML>http://c/\r\n"
              "\r\n");
    EXPECT_EQ(rig.Model.StatisticsOf(4).LastReason, "Socket Error # 111 Connection refused");
    EXPECT_FALSE(rig.Model.StatisticsOf(2).LastReason.empty());
    EXPECT_EQ(rig.Model.StatisticsOf(5).Attempts, 0);
    // Newest on top, as ever: the slow first target sits at the bottom of its block.
    EXPECT_EQ(rig.Display.Line(0),
              "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <HTML>http://c/");
    EXPECT_EQ(rig.Display.Line(5), "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <Ping>slow");
    EXPECT_GE(stage.Peak(), 2);
    EXPECT_LE(stage.Peak(), 3);
    EXPECT_EQ(stage.Begun().count("never"), 0U);
    // Every target's turn on the status bar, in table order, as when probing one at a time.
    const std::vector<std::string> turns(rig.StatusBar.History().begin(),
                                         rig.StatusBar.History().end() - 1);
    EXPECT_EQ(turns, (std::vector<std::string>{"\tTesting-->   slow", "\tTesting-->   http://a/",
                                               "\tTesting-->   int", "\tTesting-->   b",
                                               "\tTesting-->   std", "\tTesting-->   never",
                                               "\tTesting-->   http://c/"}));

    // Each web target keeps the web probe it was given.
    rig.Clock.Advance(300'000);
    rig.Tick();
    EXPECT_EQ(rig.Model.StatisticsOf(1).Attempts, 2);
    EXPECT_EQ(stage.WebProbesMade, 2);
}

TEST(ParallelCycleTest, TargetsThatTimedOutStartFirstInTheNextCycleAndAreRecordedInTableOrder) {
    std::mutex mutex;
    std::condition_variable startedChanged;
    std::vector<std::string> started; // of this cycle: the stage's record spans the whole run
    Stage stage([&](Stage& /*self*/, const std::string& address) {
        std::unique_lock lock(mutex);
        started.push_back(address);
        startedChanged.notify_all();
        if (!address.starts_with("dead"))
            return;
        // Held until two probes of the cycle have begun, so the first two started are the
        // first two taken.
        startedChanged.wait_for(lock, std::chrono::seconds(10),
                                [&] { return started.size() >= 2; });
        throw ReadTimeoutError();
    });
    EngineRig rig(StageMakers(stage));
    rig.Model.Config.Parallel = 2;
    for (const char* address : {"t0", "dead1", "t2", "dead3"})
        rig.AddTarget("<SMTP>", address);
    rig.Scheduler.StartTestRun();
    started.clear();

    rig.Clock.Advance(300'000);
    rig.Tick();

    ASSERT_EQ(started.size(), 4U);
    EXPECT_EQ(std::set<std::string>(started.begin(), started.begin() + 2),
              (std::set<std::string>{"dead1", "dead3"}));
    const std::string log = rig.DetailLog();
    EXPECT_NE(log.find("   2 14:08:27 Dec 06, 2026  Success:  0.00 secs  <SMTP>t0\r\n"
                       "   2 14:08:27 Dec 06, 2026  Failure:  0.00 secs  <SMTP>dead1\r\n"
                       "   2 14:08:27 Dec 06, 2026  Success:  0.00 secs  <SMTP>t2\r\n"
                       "   2 14:08:27 Dec 06, 2026  Failure:  0.00 secs  <SMTP>dead3\r\n"),
              std::string::npos)
        << log;
}

TEST(ParallelCycleTest, CutShortStartsNoFurtherProbeAndRecordsEveryOneBegun) {
    // Both workers hold a probe until the cycle has been told to cut short while it waits for
    // the first result: a worker that finishes then must see the cut before it takes a job.
    std::atomic<bool> cut = false;
    Stage stage([](Stage& self, const std::string& /*address*/) {
        self.WaitFor([](int /*finished*/, bool open) { return open; });
    });
    EngineRig rig(StageMakers(stage));
    rig.Model.Config.Parallel = 2;
    for (const char* address : {"t0", "t1", "t2", "t3", "t4", "t5"})
        rig.AddTarget("<SMTP>", address);
    rig.Host.OnCutShortQuery([&] { return cut.load(); });
    rig.Host.OnBlocking([&] {
        stage.WaitUntilBegun(2);
        cut = true;
        stage.Open();
    });

    rig.Scheduler.StartTestRun();

    EXPECT_EQ(stage.Begun(), (std::set<std::string>{"t0", "t1"}));
    EXPECT_EQ(rig.DetailLog(), "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <SMTP>t0\r\n"
                               "   1 14:03:27 Dec 06, 2026  Success:  0.00 secs  <SMTP>t1\r\n"
                               "\r\n");
}

} // namespace
} // namespace velnorix
