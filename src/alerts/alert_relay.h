#pragma once

#include "alerts/alert_dispatcher.h"
#include "alerts/delivery_schedule.h"
#include "base/clock.h"
#include "engine/configuration.h"
#include "engine/run_model.h"
#include "engine/verdict_changes.h"

#include <memory>
#include <string>
#include <vector>

namespace velnorix {

// What both front ends hand alert delivery at a cycle's end: the cycle's state changes go to
// the configured channels as one message, and a target that stays Down is recalled on the
// reminder schedule. Delivery itself runs on the dispatcher's thread.
class AlertRelay final {
public:
    AlertRelay(Clock& clock, std::string logFolder);
    ~AlertRelay();
    AlertRelay(const AlertRelay&) = delete;
    AlertRelay& operator=(const AlertRelay&) = delete;

    // Takes the channels of the configuration in force; `iniFileName` places a relative CAFile.
    // Unchanged settings keep the dispatcher; new ones replace it, and the outbox file carries
    // over what was not yet delivered.
    void Configure(const Configuration& config, const std::string& iniFileName);
    // Posts the cycle's state changes, and the reminders due, as one message each.
    void CycleEnded(const RunModel& model);
    // Waits up to `limit` for everything posted to be delivered or filed for a retry.
    bool WaitIdle(std::chrono::milliseconds limit);

private:
    void Remind(const RunModel& model, std::int64_t now);

    Clock& m_clock;
    std::string m_logFolder;
    AlertSettings m_settings;
    std::string m_caFile;
    VerdictWatch m_watch;
    std::unique_ptr<AlertDispatcher> m_dispatcher; // none while no channel is set
    std::vector<ReminderSchedule> m_reminders;     // by target position
};

} // namespace velnorix
