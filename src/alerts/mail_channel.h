#pragma once

#include "alerts/alert_channel.h"
#include "alerts/curl_transfer.h"
#include "engine/configuration.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace velnorix {

// The mail as sent: headers and the AlertText body, CR LF line ends (RFC 5322, section 2.1).
// Line breaks in a header's value are dropped, so a target's name cannot add a header.
std::string MailText(const AlertMessage& message, const std::string& from,
                     const std::vector<std::string>& recipients, std::int64_t now);

// Sends the message to every recipient through the operator's mail server: smtps:// for TLS,
// smtp:// with a required STARTTLS upgrade, or plain smtp://.
class MailChannel final : public AlertChannel {
public:
    MailChannel(const AlertSettings& settings, TransferTrust trust, TransferBounds bounds = {});
    [[nodiscard]] std::string Name() const override { return "Mail"; }
    DeliveryResult Deliver(const AlertMessage& message) override;
    void Abandon() override { m_abandoned = true; }

private:
    AlertSettings m_settings;
    TransferTrust m_trust;
    TransferBounds m_bounds;
    std::atomic<bool> m_abandoned = false;
};

} // namespace velnorix
