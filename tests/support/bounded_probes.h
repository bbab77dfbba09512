#pragma once

#include "engine/network_probes.h"

#include <chrono>

namespace velnorix::kit {

// Settings for the real probes in which every wait for the network (an echo reply, a connect, a
// server's next bytes) ends after `bound`, so silent hosts cost little time.
inline NetworkProbeSettings BoundedBy(std::chrono::milliseconds bound) {
    NetworkProbeSettings settings;
    for (ConnectionBounds* bounds : {&settings.Http.Connection, &settings.Mail}) {
        bounds->ConnectTimeout = bound;
        bounds->ReadTimeout = bound;
    }
    settings.EchoTimeout = bound;
    return settings;
}

} // namespace velnorix::kit
