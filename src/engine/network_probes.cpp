#include "engine/network_probes.h"

namespace velnorix {

NetworkProbes::NetworkProbes(const NetworkProbeSettings& settings)
    : m_http(settings.Http), m_pop3(settings.Mail), m_smtp(settings.Mail) {
    m_ping.SetReceiveTimeout(settings.EchoTimeout);
}

ProbeComponents NetworkProbes::Components() {
    return ProbeComponents{m_ping, m_http, m_pop3, m_smtp};
}

} // namespace velnorix
