#include "alerts/delivery_schedule.h"

#include <gtest/gtest.h>
#include <vector>

namespace velnorix {
namespace {

TEST(DeliveryScheduleTest, RetriesBackOffFromAMinuteToAnHour) {
    const std::vector<std::pair<std::int32_t, std::int64_t>> delays = {
        {1, 60}, {2, 120}, {3, 240}, {6, 1920}, {7, 3600}, {8, 3600}, {40, 3600}};
    for (const auto& [attempts, seconds] : delays)
        EXPECT_EQ(RetryDelaySeconds(attempts), seconds) << attempts << " failed attempts";
}

// A target down from time 0 with RemindMins 10 is reminded after 10, 30, 70 ... minutes, the
// gap doubling up to a day; the schedule ends when it comes back.
TEST(DeliveryScheduleTest, RemindersOfADownTargetDoubleUpToADay) {
    struct Step {
        std::int64_t Now;
        TargetState State;
        bool Reminded;
    };
    const std::vector<Step> steps = {
        {0, TargetState::Down, false},     {599, TargetState::Down, false},
        {600, TargetState::Down, true},    {601, TargetState::Down, false},
        {1800, TargetState::Down, true},   {4200, TargetState::Down, true},
        {9000, TargetState::Down, true},   {18600, TargetState::Down, true},
        {37800, TargetState::Down, true},  {76200, TargetState::Down, true},
        {153000, TargetState::Down, true}, {239399, TargetState::Down, false},
        {239400, TargetState::Down, true}, {239500, TargetState::Up, false},
        {400000, TargetState::Up, false},  {400001, TargetState::Down, false},
        {400601, TargetState::Down, true},
    };
    ReminderSchedule schedule(10);
    for (const Step& step : steps) {
        schedule.StateIs(step.State, step.Now);
        EXPECT_EQ(schedule.TakeDue(step.Now), step.Reminded) << "at " << step.Now;
    }
}

} // namespace
} // namespace velnorix
