#include "alerts/web_channels.h"

#include "alerts/alert_json.h"

namespace velnorix {

WebhookChannel::WebhookChannel(std::string url, TransferTrust trust, TransferBounds bounds)
    : m_url(std::move(url)), m_trust(std::move(trust)), m_bounds(bounds) {}

DeliveryResult WebhookChannel::Deliver(const AlertMessage& message) {
    return PostJson(m_url, WebhookBody(message), m_trust, m_bounds, m_abandoned);
}

AlertmanagerChannel::AlertmanagerChannel(const std::string& baseUrl, TransferTrust trust,
                                         TransferBounds bounds)
    : m_alertsUrl(baseUrl.ends_with('/') ? baseUrl.substr(0, baseUrl.size() - 1) : baseUrl),
      m_trust(std::move(trust)), m_bounds(bounds) {
    m_alertsUrl += "/api/v2/alerts";
}

DeliveryResult AlertmanagerChannel::Deliver(const AlertMessage& message) {
    const std::string body = AlertmanagerBody(message);
    // Only changes between Up and Paused, say, have nothing to tell.
    if (body == "[]\n")
        return DeliveryResult::Success();
    return PostJson(m_alertsUrl, body, m_trust, m_bounds, m_abandoned);
}

} // namespace velnorix
