#pragma once

#include "alerts/alert_channel.h"
#include "alerts/outbox.h"
#include "base/clock.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace velnorix {

// Delivers alert messages on a thread of its own, so a slow mail server never delays a probe.
// Each posted message goes to every channel through the outbox, which keeps it across restarts
// and tries it again until it is delivered. Time is read from the injected clock.
class AlertDispatcher final {
public:
    AlertDispatcher(Outbox outbox, std::vector<std::unique_ptr<AlertChannel>> channels,
                    Clock& clock);
    ~AlertDispatcher();
    AlertDispatcher(const AlertDispatcher&) = delete;
    AlertDispatcher& operator=(const AlertDispatcher&) = delete;

    // Queues the message for every channel; takes only a mutex, never waits on delivery.
    void Post(AlertMessage message);
    // Looks at the outbox again now: after the clock moved, say.
    void Wake();
    // Waits up to `limit` until nothing is queued and nothing in the outbox is due; true then.
    bool WaitIdle(std::chrono::milliseconds limit);
    // Ends a delivery under way (each channel gives up within a fraction of a second) and the
    // thread; what was not delivered stays in the outbox file. Safe to call twice.
    void Stop();

private:
    void Run();
    // Puts posted messages in the outbox for every channel.
    void File(const std::vector<AlertMessage>& posted, const std::vector<AlertChannel*>& channels,
              std::int64_t now);
    // Whether anything is queued or due; with the mutex held.
    [[nodiscard]] bool HasWork(std::int64_t now) const;

    Outbox m_outbox; // the worker's alone once it runs
    std::vector<std::unique_ptr<AlertChannel>> m_channels;
    Clock& m_clock;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<AlertMessage> m_posted;
    std::optional<std::int64_t> m_nextDue; // the outbox's, as the worker last saw it
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_worker;
};

} // namespace velnorix
