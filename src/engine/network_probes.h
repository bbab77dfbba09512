#pragma once

#include "engine/probe_set.h"
#include "probes/dns_client.h"
#include "probes/echo_helper_client.h"
#include "probes/http/http_client.h"
#include "probes/icmp_client.h"
#include "probes/network_bounds.h"
#include "probes/pop3_client.h"
#include "probes/port_client.h"
#include "probes/probe_interfaces.h"
#include "probes/smtp_client.h"

#include <chrono>
#include <memory>
#include <optional>

namespace velnorix {

// The bounds of the network probes (TCP targets take the mail probes'); the defaults are the
// probes' own.
struct NetworkProbeSettings {
    HttpClientSettings Http;
    ConnectionBounds Mail;
    std::chrono::milliseconds EchoTimeout = kEchoReceiveTimeout;
    // Where the system gives no ICMP socket, pings go through this helper; none: they fail.
    std::shared_ptr<EchoHelperConnection> EchoHelper;
};

// The real probe components, owned together for as long as the engine runs.
class NetworkProbes final : public ProbeSet {
public:
    NetworkProbes() : NetworkProbes(NetworkProbeSettings{}) {}
    explicit NetworkProbes(const NetworkProbeSettings& settings);
    NetworkProbes(const NetworkProbes&) = delete;
    NetworkProbes& operator=(const NetworkProbes&) = delete;

    // The components as the engine takes them; valid while this object lives.
    [[nodiscard]] ProbeComponents Components() override;

    [[nodiscard]] IcmpClient& Ping() { return m_ping; }
    [[nodiscard]] SmtpClient& Smtp() { return m_smtp; }

private:
    IcmpClient m_ping;
    std::optional<EchoWithHelper> m_echo; // m_ping, or the helper where it has no socket
    HttpClient m_http;
    Pop3Client m_pop3;
    SmtpClient m_smtp;
    PortClient m_tcp;
    DnsClient m_dns;
};

// Makers of real probes for cycles that run several at once. Their echo probes share one source
// of sequence numbers.
ProbeMakers NetworkProbeMakers(const NetworkProbeSettings& settings = {});

} // namespace velnorix
