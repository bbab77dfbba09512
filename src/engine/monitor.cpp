#include "engine/monitor.h"

#include <utility>

namespace velnorix {

Monitor::Monitor(SchedulerParts parts, const NetworkProbeSettings& network)
    : m_network(parts.Probes ? nullptr : std::make_unique<NetworkProbes>(network)),
      m_scheduler(WithNetwork(std::move(parts), m_network.get(), network)) {}

SchedulerParts Monitor::WithNetwork(SchedulerParts parts, NetworkProbes* network,
                                    const NetworkProbeSettings& settings) {
    if (network == nullptr)
        return parts;
    parts.Probes.emplace(network->Components());
    if (!parts.ParallelProbes.Given())
        parts.ParallelProbes = NetworkProbeMakers(settings);
    return parts;
}

} // namespace velnorix
