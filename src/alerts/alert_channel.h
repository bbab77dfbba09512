#pragma once

#include "alerts/alert_message.h"

#include <string>

namespace velnorix {

// Delivered, or the reason it was not. The reason never holds a password or a URL, which may
// carry one.
struct DeliveryResult {
    bool Delivered = false;
    std::string Reason;

    static DeliveryResult Success() { return {true, {}}; }
    static DeliveryResult Failure(std::string reason) { return {false, std::move(reason)}; }
};

// One way of telling the operator: mail, a web hook, Alertmanager, a command.
class AlertChannel {
public:
    virtual ~AlertChannel() = default;
    // The channel's fixed name, which the outbox files its messages under.
    [[nodiscard]] virtual std::string Name() const = 0;
    // Sends the message; every wait inside is bounded.
    virtual DeliveryResult Deliver(const AlertMessage& message) = 0;
    // Called from another thread: a delivery under way gives up soon, so a stop is not kept
    // waiting for a slow server.
    virtual void Abandon() = 0;
};

} // namespace velnorix
