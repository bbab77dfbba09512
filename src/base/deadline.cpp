#include "base/deadline.h"

#include <algorithm>
#include <limits>

namespace velnorix {

Deadline::Deadline(std::chrono::milliseconds silence, const Deadline& cap)
    : m_end(std::min(std::chrono::steady_clock::now() + silence, cap.m_cap)), m_cap(cap.m_cap),
      m_silence(silence) {}

int Deadline::RemainingMs() const {
    const auto left = m_end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(
        std::min<std::chrono::milliseconds::rep>(ms, std::numeric_limits<int>::max()));
}

void Deadline::DataArrived() {
    if (m_silence)
        m_end = std::min(std::chrono::steady_clock::now() + *m_silence, m_cap);
}

} // namespace velnorix
