#pragma once

#include "alerts/alert_channel.h"
#include "base/clock.h"
#include "engine/configuration.h"

#include <string>
#include <vector>

namespace velnorix {

// What one channel made of the test message.
struct TestAlertOutcome {
    std::string Channel;
    DeliveryResult Result;
};

// Sends one test message on every channel the configuration sets, at once and bypassing the
// outbox, so the operator sees each channel's answer; `iniFileName` places a relative CAFile.
// Empty when no channel is set. Each delivery is bounded as any other.
std::vector<TestAlertOutcome> SendTestAlert(const Configuration& config,
                                            const std::string& iniFileName, Clock& clock);

// "Webhook: delivered" or "Mail: not delivered: <reason>".
std::string OutcomeLine(const TestAlertOutcome& outcome);

} // namespace velnorix
