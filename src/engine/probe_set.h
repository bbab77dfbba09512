#pragma once

#include "probes/probe_interfaces.h"

#include <functional>
#include <memory>

namespace velnorix {

// An owner of one probe component of each type.
class ProbeSet {
public:
    virtual ~ProbeSet() = default;
    // The components, valid while this set lives.
    [[nodiscard]] virtual ProbeComponents Components() = 0;
};

// What probes run at once are made with. Each worker gets a set of its own and probes one
// target at a time with its echo and mail components. Each web target gets a web probe of its
// own, so its connection, address and cookies follow it from cycle to cycle whichever worker
// runs it.
struct ProbeMakers {
    std::function<std::unique_ptr<ProbeSet>()> Worker;
    std::function<std::unique_ptr<HeadProbe>()> Web;

    [[nodiscard]] bool Given() const { return Worker && Web; }
};

} // namespace velnorix
