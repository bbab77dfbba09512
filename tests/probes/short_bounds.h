#pragma once

#include "probes/network_bounds.h"

#include <chrono>

namespace velnorix::kit {

// Short bounds so that silence and floods against a loopback server end the tests quickly.
inline ConnectionBounds ShortBounds() {
    using namespace std::chrono_literals;
    ConnectionBounds bounds;
    bounds.ConnectTimeout = 300ms;
    bounds.ReadTimeout = 300ms;
    bounds.WriteTimeout = 300ms;
    return bounds;
}

} // namespace velnorix::kit
