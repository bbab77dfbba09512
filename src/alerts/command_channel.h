#pragma once

#include "alerts/alert_channel.h"

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

namespace velnorix {

// The command line split at blanks; double quotes keep blanks inside one argument.
std::vector<std::string> CommandArguments(const std::string& command);

// The variables the command finds the change in: VELNORIX_TARGET, VELNORIX_OLD_STATE,
// VELNORIX_NEW_STATE, VELNORIX_REASON, VELNORIX_TIME and VELNORIX_SUBJECT. For a digest each
// holds one line per change, in the same order.
std::vector<std::string> AlertEnvironment(const AlertMessage& message);

// Runs the operator's program directly (never through a shell, so nothing in a target's name is
// ever run), with its output thrown away; delivered when it exits with status 0. A program
// still running after `limit` is killed with everything it started.
class CommandChannel final : public AlertChannel {
public:
    explicit CommandChannel(const std::string& command,
                            std::chrono::milliseconds limit = std::chrono::seconds(30));
    [[nodiscard]] std::string Name() const override { return "Command"; }
    DeliveryResult Deliver(const AlertMessage& message) override;
    void Abandon() override { m_abandoned = true; }

private:
    std::vector<std::string> m_arguments;
    std::chrono::milliseconds m_limit;
    std::atomic<bool> m_abandoned = false;
};

} // namespace velnorix
