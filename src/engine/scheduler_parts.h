#pragma once

#include "base/clock.h"
#include "base/text_format.h"
#include "engine/host.h"
#include "engine/probe_set.h"
#include "engine/run_model.h"
#include "engine/run_observer.h"
#include "probes/probe_interfaces.h"

#include <functional>
#include <optional>

namespace velnorix {

// What the scheduler and its cycle work with, named at the call site so that the two timers,
// both IntervalTimer, cannot change places unseen. The references must be given; the rest may
// be left out. A Monitor puts these together with the probes.
struct SchedulerParts { // NOLINT(cppcoreguidelines-pro-type-member-init)
    RunModel& Model;
    DisplayLines& Display;
    StatusLine& StatusBar;
    IntervalTimer& CycleTimer; // each tick runs one test cycle
    IntervalTimer& StartTimer; // the one-shot start after a configuration named on the command line
    velnorix::Clock& Clock;
    HostServices& Host;
    // What a cycle probes with one target at a time; a Monitor gives network probes when none.
    std::optional<ProbeComponents> Probes = {};
    FormatSettings Format;
    RunObserver* Observer = nullptr; // told of every run, cycle and probe; none when null
    // Called after every cycle that ran to its end, with the targets' statistics up to date.
    std::function<void()> CycleEnded = {};
    // What a cycle probes with when the model lets several probes run at once; without them
    // every cycle probes one target at a time.
    ProbeMakers ParallelProbes = {};
};

} // namespace velnorix
