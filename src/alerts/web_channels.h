#pragma once

#include "alerts/alert_channel.h"
#include "alerts/curl_transfer.h"

#include <atomic>
#include <string>

// The channels that POST JSON over HTTP or HTTPS.
namespace velnorix {

// Posts WebhookBody to the operator's URL.
class WebhookChannel final : public AlertChannel {
public:
    WebhookChannel(std::string url, TransferTrust trust, TransferBounds bounds = {});
    [[nodiscard]] std::string Name() const override { return "Webhook"; }
    DeliveryResult Deliver(const AlertMessage& message) override;
    void Abandon() override { m_abandoned = true; }

private:
    std::string m_url;
    TransferTrust m_trust;
    TransferBounds m_bounds;
    std::atomic<bool> m_abandoned = false;
};

// Posts AlertmanagerBody to <base>/api/v2/alerts.
class AlertmanagerChannel final : public AlertChannel {
public:
    AlertmanagerChannel(const std::string& baseUrl, TransferTrust trust,
                        TransferBounds bounds = {});
    [[nodiscard]] std::string Name() const override { return "Alertmanager"; }
    DeliveryResult Deliver(const AlertMessage& message) override;
    void Abandon() override { m_abandoned = true; }

private:
    std::string m_alertsUrl;
    TransferTrust m_trust;
    TransferBounds m_bounds;
    std::atomic<bool> m_abandoned = false;
};

} // namespace velnorix
