#include "alerts/test_alert.h"

#include "alerts/channel_set.h"

namespace velnorix {

std::vector<TestAlertOutcome> SendTestAlert(const Configuration& config,
                                            const std::string& iniFileName, Clock& clock) {
    // An answering state, so Alertmanager files it as resolved and pages no one.
    const AlertMessage message{
        .Changes = {{"<Test>", "Velnorix", TargetState::Unknown, TargetState::Up,
                     "A test alert: this channel works", clock.SecondsSinceEpoch()}},
        .Reminder = false};
    std::vector<TestAlertOutcome> outcomes;
    for (const auto& channel : ChannelsFor(config.Alerts, AlertTrust(config, iniFileName)))
        outcomes.push_back({channel->Name(), channel->Deliver(message)});
    return outcomes;
}

std::string OutcomeLine(const TestAlertOutcome& outcome) {
    return outcome.Channel + ": " +
           (outcome.Result.Delivered ? "delivered" : "not delivered: " + outcome.Result.Reason);
}

} // namespace velnorix
