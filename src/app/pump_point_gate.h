#pragma once

#include <QObject>
#include <functional>
#include <vector>

namespace velnorix {

// While a probe or the alert sound blocks the engine, the window keeps painting, but nothing
// that could run engine code (a timer tick, a close request) may start in the middle of the
// engine's work. Such actions are held here and run at the next point where the engine lets
// window messages run, exactly where a single-threaded program would have handled them.
class PumpPointGate final : public QObject {
    Q_OBJECT

public:
    // Marks a blocking step for its lifetime; steps may nest.
    class BlockingStep final {
    public:
        explicit BlockingStep(PumpPointGate& gate);
        ~BlockingStep();
        BlockingStep(const BlockingStep&) = delete;
        BlockingStep& operator=(const BlockingStep&) = delete;

    private:
        PumpPointGate& m_gate;
    };

    [[nodiscard]] bool Blocked() const { return m_blockedDepth > 0; }
    // Runs `action` at once, or holds it until the blocking step is over.
    void Deliver(std::function<void()> action);
    // Runs the held actions in the order they arrived; does nothing while blocked.
    void RunHeldActions();

private:
    void ScheduleHeldActions();

    int m_blockedDepth = 0;
    std::vector<std::function<void()>> m_held;
};

} // namespace velnorix
