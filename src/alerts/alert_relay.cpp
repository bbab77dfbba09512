#include "alerts/alert_relay.h"

#include "alerts/channel_set.h"
#include "alerts/outbox.h"

#include <utility>

namespace velnorix {

AlertRelay::AlertRelay(Clock& clock, std::string logFolder)
    : m_clock(clock), m_logFolder(std::move(logFolder)), m_watch(true) {}

AlertRelay::~AlertRelay() = default;

void AlertRelay::Configure(const Configuration& config, const std::string& iniFileName) {
    const std::string caFile = AlertTrust(config, iniFileName).CAFile;
    if (m_dispatcher && config.Alerts == m_settings && caFile == m_caFile)
        return;
    // The old dispatcher stops first, so the outbox file has one writer at a time.
    m_dispatcher.reset();
    m_settings = config.Alerts;
    m_caFile = caFile;
    m_reminders.clear();
    std::vector<std::unique_ptr<AlertChannel>> channels =
        ChannelsFor(m_settings, TransferTrust{m_caFile});
    if (channels.empty())
        return;
    m_dispatcher = std::make_unique<AlertDispatcher>(Outbox(OutboxPath(m_logFolder)),
                                                     std::move(channels), m_clock);
}

void AlertRelay::CycleEnded(const RunModel& model) {
    // Watched without channels too, so a channel set later hears only what changes from then.
    const std::vector<VerdictChange> changes = m_watch.CycleEnded(model);
    if (!m_dispatcher)
        return;
    const std::int64_t now = m_clock.SecondsSinceEpoch();
    if (!changes.empty())
        m_dispatcher->Post(MessageFor(changes, now));
    if (m_settings.RemindMins > 0)
        Remind(model, now);
}

void AlertRelay::Remind(const RunModel& model, std::int64_t now) {
    const auto count = static_cast<std::size_t>(model.TargetCount());
    m_reminders.resize(count, ReminderSchedule(m_settings.RemindMins));
    AlertMessage reminder{.Changes = {}, .Reminder = true};
    for (std::size_t i = 0; i < count; ++i) {
        const auto index = static_cast<std::int32_t>(i);
        const TargetState state = model.StatisticsOf(index).State;
        m_reminders[i].StateIs(state, now);
        if (!m_reminders[i].TakeDue(now))
            continue;
        const TargetSettings& target = model.Target(index);
        reminder.Changes.push_back({target.Type, target.ShownName(), state, state,
                                    model.StatisticsOf(index).LastReason, now});
    }
    if (!reminder.Changes.empty())
        m_dispatcher->Post(std::move(reminder));
}

bool AlertRelay::WaitIdle(std::chrono::milliseconds limit) {
    return !m_dispatcher || m_dispatcher->WaitIdle(limit);
}

} // namespace velnorix
