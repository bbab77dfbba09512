#include "engine/metrics_snapshot.h"

#include <utility>

namespace velnorix {

void MetricsBoard::Publish(std::shared_ptr<const MetricsSnapshot> snapshot) {
    const std::lock_guard lock(m_mutex);
    m_latest.swap(snapshot);
    // The old snapshot, now in `snapshot`, is released after the lock, outside its span.
}

std::shared_ptr<const MetricsSnapshot> MetricsBoard::Latest() const {
    const std::lock_guard lock(m_mutex);
    return m_latest;
}

} // namespace velnorix
