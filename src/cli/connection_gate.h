#pragma once

#include "base/file_descriptor.h"

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>

namespace velnorix {

// The connections the metrics endpoint holds, with their deadlines. The admitting thread adds
// and closes them; the HTTP library's thread reports when each starts, completes its request
// and ends. A connection is closed by shutting down the server's own duplicate of its socket,
// so a descriptor the library has already closed (and the system may have handed out again)
// is never touched.
class ConnectionGate final {
public:
    using Clock = std::chrono::steady_clock;

    ConnectionGate(std::size_t maxConnections, std::chrono::milliseconds requestDeadline,
                   std::chrono::milliseconds lifetime);
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Readable when a connection has ended or Stop() was called; DrainWakes() empties it.
    [[nodiscard]] int WakeFd() const { return m_wakeRead.Get(); }
    void DrainWakes();
    void Stop();
    [[nodiscard]] bool Stopped() const;

    [[nodiscard]] bool HasRoom() const;
    // Whether a connection can be closed to make room: none is closing already and one has
    // not yet sent a whole request.
    [[nodiscard]] bool CanEvict() const;
    // Closes the oldest connection that has not sent a whole request.
    void EvictOldest();
    // Closes the connections past their deadlines; answers when the next deadline falls.
    Clock::time_point EnforceDeadlines(Clock::time_point now);

    // The admitting thread hands `socket` to the library and keeps `own`, a duplicate.
    void Add(int socket, FileDescriptor own);
    // The library did not take the socket (it has closed it).
    void Refused(int socket);

    // From the library's thread. `context` is the library's slot for this connection.
    void Started(int socket, void** context);
    void RequestArrived(void* context);
    void Ended(void* context);

private:
    struct Entry {
        int Socket = -1;
        FileDescriptor Own;
        Clock::time_point Admitted;
        bool Started = false;
        bool RequestComplete = false;
        bool Closing = false;
    };

    void Close(Entry& entry);
    void Wake();

    const std::size_t m_maxConnections;
    const std::chrono::milliseconds m_requestDeadline;
    const std::chrono::milliseconds m_lifetime;
    FileDescriptor m_wakeRead;
    FileDescriptor m_wakeWrite;
    mutable std::mutex m_mutex;
    // A list, so the library can keep a pointer to its entry; oldest first.
    std::list<Entry> m_entries;
    bool m_stopped = false;
};

} // namespace velnorix
