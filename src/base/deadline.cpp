#include "base/deadline.h"

#include <algorithm>
#include <limits>

namespace velnorix {

int Deadline::RemainingMs() const {
    const auto left = m_end - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(
        std::min<std::chrono::milliseconds::rep>(ms, std::numeric_limits<int>::max()));
}

} // namespace velnorix
