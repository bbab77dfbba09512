#pragma once

namespace velnorix {

// SIGINT and SIGTERM ask the monitor to stop; so does SIGPIPE, which means the reader of the
// monitor's output has gone. They are noted, never acted on inside the handler. The descriptor
// becomes readable when a stop was asked for, so a loop can wait on it.
class StopSignals final {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    [[nodiscard]] int WakeDescriptor() const;
    // True once for each stop asked for since the last call.
    [[nodiscard]] bool TakeStopRequest();
    // True once the operator has sent SIGINT or SIGTERM more than once: the cycle that the
    // first one is completing should probe no further target.
    [[nodiscard]] bool StopRepeated() const;
};

} // namespace velnorix
