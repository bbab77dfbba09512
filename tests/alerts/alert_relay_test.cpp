#include "alerts/alert_receivers.h"
#include "alerts/alert_relay.h"
#include "kit/fake_host.h"
#include "support/temp_dir.h"

#include <chrono>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace velnorix {
namespace {

using namespace std::chrono_literals;
using testing::HasSubstr;

// The relay as the front ends use it, one cycle's end at a time: a target Down from the first
// cycle is told, reminders follow after RemindMins and then twice as long each, a recovery ends
// them, and a paused target tells no one.
TEST(AlertRelayTest, TellsAFirstDownThenRemindsOnADoublingSchedule) {
    kit::WebhookReceiver hook;
    kit::TempDir logs;
    kit::FakeClock clock;
    RunModel model;
    model.SetTargetCount(1);
    model.Target(0).SetType(kTagHtml);
    model.Target(0).Addr = "http://site.test/";
    model.Config.Alerts.Webhook = hook.Url();
    model.Config.Alerts.RemindMins = 1;
    AlertRelay relay(clock, logs.Path());
    relay.Configure(model.Config, "");

    // The state after each minute's cycle, and what the hook has got by then.
    struct Minute {
        TargetState State;
        std::size_t Bodies;
    };
    const std::vector<Minute> minutes = {
        {TargetState::Down, 1},   // told at once
        {TargetState::Down, 2},   // the first reminder, a minute on
        {TargetState::Down, 2},   // the next is two minutes after that
        {TargetState::Down, 3},   //
        {TargetState::Paused, 3}, // a pause tells no one and ends the reminders
        {TargetState::Up, 4},     // back: told
        {TargetState::Up, 4},
    };
    for (std::size_t i = 0; i < minutes.size(); ++i) {
        model.StatisticsOf(0).State = minutes[i].State;
        relay.CycleEnded(model);
        ASSERT_TRUE(relay.WaitIdle(60s));
        EXPECT_EQ(hook.Bodies().size(), minutes[i].Bodies) << "minute " << i;
        clock.Advance(60'000);
    }
    const std::vector<std::string> bodies = hook.Bodies();
    EXPECT_THAT(bodies.at(0), HasSubstr(R"("old":"Unknown","new":"Down")"));
    EXPECT_THAT(bodies.at(1), HasSubstr(R"("old":"Down","new":"Down")"));
    EXPECT_THAT(bodies.at(3), HasSubstr(R"("old":"Down","new":"Up")"));
}

} // namespace
} // namespace velnorix
