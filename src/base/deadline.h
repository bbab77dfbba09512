#pragma once

#include <chrono>

namespace velnorix {

// The end of a bounded wait, handed down to each poll() as the time that remains.
class Deadline final {
public:
    explicit Deadline(std::chrono::milliseconds timeout)
        : m_end(std::chrono::steady_clock::now() + timeout) {}

    // Milliseconds left, rounded up so a wait never ends just before the deadline; 0 when past.
    [[nodiscard]] int RemainingMs() const;
    [[nodiscard]] bool Passed() const { return std::chrono::steady_clock::now() >= m_end; }

private:
    std::chrono::steady_clock::time_point m_end;
};

} // namespace velnorix
