#pragma once

#include <optional>

namespace velnorix {

// SIGINT and SIGTERM ask the monitor to stop; so does SIGPIPE, which means the reader of the
// monitor's output has gone. SIGUSR1 pauses alerts and SIGUSR2 resumes them. They are noted,
// never acted on inside the handler. The descriptor becomes readable when one came, so a loop
// can wait on it.
class OperatorSignals final {
public:
    OperatorSignals();
    ~OperatorSignals();
    OperatorSignals(const OperatorSignals&) = delete;
    OperatorSignals& operator=(const OperatorSignals&) = delete;

    [[nodiscard]] int WakeDescriptor() const;
    // True once for each stop asked for since the last call.
    [[nodiscard]] bool TakeStopRequest();
    // Whether alerts are to be paused (true) or resumed, as the latest of SIGUSR1 and SIGUSR2
    // since the last call says; nothing when neither came.
    [[nodiscard]] std::optional<bool> TakePauseRequest();
    // True once the operator has sent SIGINT or SIGTERM more than once: the cycle that the
    // first one is completing should probe no further target.
    [[nodiscard]] bool StopRepeated() const;
    // While a cycle runs, the operator's first stop is answered at once on standard error,
    // which clears the terminal's status line first when `terminal` is set; a stop between
    // cycles takes effect at once and needs no word.
    void SetCycleRunning(bool running, bool terminal);
};

} // namespace velnorix
