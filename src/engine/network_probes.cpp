#include "engine/network_probes.h"

#include <memory>

namespace velnorix {

NetworkProbes::NetworkProbes(const NetworkProbeSettings& settings)
    : m_http(settings.Http), m_pop3(settings.Mail), m_smtp(settings.Mail), m_tcp(settings.Mail) {
    m_ping.SetReceiveTimeout(settings.EchoTimeout);
    if (settings.EchoHelper)
        m_echo.emplace(m_ping, settings.EchoHelper, settings.EchoTimeout);
}

ProbeComponents NetworkProbes::Components() {
    EchoProbe& ping = m_echo ? static_cast<EchoProbe&>(*m_echo) : m_ping;
    return ProbeComponents{ping, m_http, m_pop3, m_smtp, m_tcp, m_dns};
}

ProbeMakers NetworkProbeMakers(const NetworkProbeSettings& settings) {
    auto sequences = std::make_shared<EchoSequences>();
    return ProbeMakers{.Worker =
                           [settings, sequences] {
                               auto probes = std::make_unique<NetworkProbes>(settings);
                               probes->Ping().ShareSequences(sequences);
                               return probes;
                           },
                       .Web = [settings] { return std::make_unique<HttpClient>(settings.Http); }};
}

} // namespace velnorix
