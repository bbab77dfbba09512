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
    // While a cycle runs, the operator's first stop is answered at once on standard error,
    // which clears the terminal's status line first when `terminal` is set; a stop between
    // cycles takes effect at once and needs no word.
    void SetCycleRunning(bool running, bool terminal);
};

} // namespace velnorix
