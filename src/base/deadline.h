#pragma once

#include <chrono>
#include <optional>

namespace velnorix {

// The end of a bounded wait, handed down to each poll() as the time that remains.
class Deadline final {
public:
    explicit Deadline(std::chrono::milliseconds timeout)
        : m_end(std::chrono::steady_clock::now() + timeout), m_cap(m_end) {}
    // A limit on silence: it ends `silence` after the latest data (see DataArrived), and at
    // the end of `cap` at the latest, however often data comes.
    Deadline(std::chrono::milliseconds silence, const Deadline& cap);

    // Milliseconds left, rounded up so a wait never ends just before the deadline; 0 when past.
    [[nodiscard]] int RemainingMs() const;
    [[nodiscard]] bool Passed() const { return std::chrono::steady_clock::now() >= m_end; }
    // Data has come in: a limit on silence starts again. A fixed deadline stays as it is.
    void DataArrived();

private:
    std::chrono::steady_clock::time_point m_end;
    std::chrono::steady_clock::time_point m_cap;
    std::optional<std::chrono::milliseconds> m_silence;
};

} // namespace velnorix
