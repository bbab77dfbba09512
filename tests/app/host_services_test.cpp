#include "app/error_sound.h"
#include "app/pump_point_gate.h"
#include "app/qt_host_services.h"
#include "app/qt_interval_timer.h"
#include "base/text_file.h"
#include "gui_waits.h"

#include <QCoreApplication>
#include <QTimer>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace velnorix {
namespace {

using kit::WaitUntil;

class HostServicesTest : public testing::Test {
protected:
    PumpPointGate m_gate;
    ErrorSound m_sound{m_gate};
    QtHostServices m_host{m_gate, m_sound, "/opt/velnorix"};
};

TEST_F(HostServicesTest, BlockingWorkRunsOnAnotherThreadWhileTheWindowLoopGoesOn) {
    // The worker can only finish once a timer of the window's thread has fired, which proves
    // that the loop kept running while the work blocked.
    std::promise<void> timerFired;
    QTimer::singleShot(0, &m_gate, [&timerFired] { timerFired.set_value(); });
    std::thread::id workerThread;
    m_host.RunBlocking([&] {
        workerThread = std::this_thread::get_id();
        timerFired.get_future().wait();
    });
    EXPECT_NE(workerThread, std::this_thread::get_id());
    EXPECT_NE(workerThread, std::thread::id());
}

TEST_F(HostServicesTest, AnExceptionOfTheWorkReachesTheCallerUnchanged) {
    try {
        m_host.RunBlocking([] { throw FileError("Cannot create file \"x.log\"."); });
        FAIL() << "nothing was thrown";
    } catch (const FileError& error) {
        EXPECT_STREQ(error.what(), "Cannot create file \"x.log\".");
    }
    EXPECT_THROW(m_host.RunBlocking([] { throw 42; }), int);
    EXPECT_FALSE(m_gate.Blocked());
}

TEST_F(HostServicesTest, ActionsArrivingDuringBlockingWorkWaitForTheNextPump) {
    std::vector<std::string> order;
    std::promise<void> delivered;
    QTimer::singleShot(0, &m_gate, [&] {
        m_gate.Deliver([&order] { order.push_back("first held"); });
        m_gate.Deliver([&order] { order.push_back("second held"); });
        delivered.set_value();
    });
    m_host.RunBlocking([&] {
        delivered.get_future().wait();
        order.push_back("work done");
    });
    order.push_back("blocking returned");
    m_host.PumpMessages();
    EXPECT_EQ(order, (std::vector<std::string>{"work done", "blocking returned", "first held",
                                               "second held"}));
}

TEST_F(HostServicesTest, HeldActionsStayHeldThroughANestedBlockingStep) {
    int runs = 0;
    {
        const PumpPointGate::BlockingStep outer(m_gate);
        m_gate.Deliver([&runs] { ++runs; });
        { const PumpPointGate::BlockingStep inner(m_gate); }
        m_gate.RunHeldActions();
        EXPECT_EQ(runs, 0);
    }
    m_gate.Deliver([&runs] { runs += 10; });
    EXPECT_EQ(runs, 10) << "outside a blocking step an action runs at once";
    ASSERT_TRUE(WaitUntil([&runs] { return runs == 11; }));
}

TEST_F(HostServicesTest, WithoutAnAudioDeviceTheSoundReturnsSilently) {
    // The offscreen test machine has no sound output: the call must neither hang nor fail.
    m_host.PlayErrorSound();
    EXPECT_FALSE(m_gate.Blocked());
}

class IntervalTimerTest : public testing::Test {
protected:
    PumpPointGate m_gate;
    int m_ticks = 0;
    QtIntervalTimer m_timer{m_gate, [this] { ++m_ticks; }};
};

TEST_F(IntervalTimerTest, CountsOnlyWhenEnabledWithAPositiveInterval) {
    struct Case {
        std::int32_t Interval;
        bool Enabled;
        bool Counting;
    };
    for (const Case& c : {Case{1000, false, false}, Case{1000, true, true}, Case{0, true, false},
                          Case{-5, true, false}, Case{90'060'000, true, true}}) {
        m_timer.SetInterval(c.Interval);
        m_timer.SetEnabled(c.Enabled);
        EXPECT_EQ(m_timer.Counting(), c.Counting) << c.Interval << " " << c.Enabled;
        EXPECT_EQ(m_timer.Enabled(), c.Enabled);
        EXPECT_EQ(m_timer.Interval(), c.Interval);
    }
}

TEST_F(IntervalTimerTest, TicksReachTheHandler) {
    m_timer.SetInterval(1);
    m_timer.SetEnabled(true);
    ASSERT_TRUE(WaitUntil([this] { return m_ticks >= 3; }));
}

TEST_F(IntervalTimerTest, TicksDuringABlockingStepCollapseIntoOneAtTheNextPump) {
    m_timer.SetInterval(1);
    m_timer.SetEnabled(true);
    {
        const PumpPointGate::BlockingStep step(m_gate);
        // Several intervals pass while blocked.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QCoreApplication::processEvents();
        EXPECT_EQ(m_ticks, 0);
        m_timer.SetEnabled(false);
    }
    m_gate.RunHeldActions();
    EXPECT_EQ(m_ticks, 0) << "a held tick of a timer switched off meanwhile is dropped";

    m_timer.SetEnabled(true);
    {
        const PumpPointGate::BlockingStep step(m_gate);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QCoreApplication::processEvents();
    }
    m_gate.RunHeldActions();
    EXPECT_EQ(m_ticks, 1);
}

} // namespace
} // namespace velnorix
