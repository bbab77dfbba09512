#pragma once

namespace velnorix {

// SIGINT and SIGTERM ask the monitor to stop; they are noted, never acted on inside the
// handler. The descriptor becomes readable when a stop was asked for, so a loop can wait on it.
class StopSignals final {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    [[nodiscard]] int WakeDescriptor() const;
    // True once for each stop asked for since the last call.
    [[nodiscard]] bool TakeStopRequest();
};

} // namespace velnorix
