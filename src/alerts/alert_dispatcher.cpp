#include "alerts/alert_dispatcher.h"

#include "base/text_file.h"

namespace velnorix {
namespace {

// The worker looks at the clock at least this often, since an injected clock cannot wake it.
constexpr auto kLongestIdleWait = std::chrono::seconds(5);

} // namespace

AlertDispatcher::AlertDispatcher(Outbox outbox, std::vector<std::unique_ptr<AlertChannel>> channels,
                                 Clock& clock)
    : m_outbox(std::move(outbox)), m_channels(std::move(channels)), m_clock(clock),
      m_nextDue(m_outbox.NextDue()), m_worker([this] { Run(); }) {}

AlertDispatcher::~AlertDispatcher() {
    Stop();
}

void AlertDispatcher::Post(AlertMessage message) {
    {
        const std::lock_guard lock(m_mutex);
        m_posted.push_back(std::move(message));
    }
    m_changed.notify_all();
}

void AlertDispatcher::Wake() {
    // Taking the mutex first means the worker is either waiting or yet to look at the clock.
    { const std::lock_guard lock(m_mutex); }
    m_changed.notify_all();
}

bool AlertDispatcher::WaitIdle(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] {
        return m_stopping || (!m_busy && !HasWork(m_clock.SecondsSinceEpoch()));
    });
}

void AlertDispatcher::Stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    for (const auto& channel : m_channels)
        channel->Abandon();
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

bool AlertDispatcher::HasWork(std::int64_t now) const {
    return !m_posted.empty() || (m_nextDue && *m_nextDue <= now);
}

void AlertDispatcher::Run() {
    std::vector<AlertChannel*> channels;
    for (const auto& channel : m_channels)
        channels.push_back(channel.get());
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_changed.wait_for(lock, kLongestIdleWait,
                           [&] { return m_stopping || HasWork(m_clock.SecondsSinceEpoch()); });
        if (m_stopping)
            break;
        std::vector<AlertMessage> posted = std::exchange(m_posted, {});
        m_busy = true;
        lock.unlock();
        const std::int64_t now = m_clock.SecondsSinceEpoch();
        File(posted, channels, now);
        m_outbox.DeliverDue(channels, now);
        const std::optional<std::int64_t> nextDue = m_outbox.NextDue();
        lock.lock();
        m_nextDue = nextDue;
        m_busy = false;
        m_changed.notify_all();
    }
    // Posted just before the stop: filed, so the next start delivers it.
    File(std::exchange(m_posted, {}), channels, m_clock.SecondsSinceEpoch());
}

void AlertDispatcher::File(const std::vector<AlertMessage>& posted,
                           const std::vector<AlertChannel*>& channels, std::int64_t now) {
    for (const AlertMessage& message : posted)
        for (AlertChannel* channel : channels) {
            try {
                m_outbox.Add(channel->Name(), message, now);
            } catch (const FileError&) {
                // Kept in memory: it is still delivered, only not across a restart.
            }
        }
}

} // namespace velnorix
