#include "cli/connection_gate.h"

#include <algorithm>
#include <fcntl.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix {

ConnectionGate::ConnectionGate(std::size_t maxConnections,
                               std::chrono::milliseconds requestDeadline,
                               std::chrono::milliseconds lifetime)
    : m_maxConnections(maxConnections), m_requestDeadline(requestDeadline), m_lifetime(lifetime) {
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot make the metrics endpoint's wake-up pipe");
    m_wakeRead = FileDescriptor(wake[0]);
    m_wakeWrite = FileDescriptor(wake[1]);
}

void ConnectionGate::Wake() {
    const char byte = 1;
    // A full pipe already wakes the reader.
    [[maybe_unused]] const auto written = ::write(m_wakeWrite.Get(), &byte, 1);
}

void ConnectionGate::DrainWakes() {
    char bytes[64];
    while (::read(m_wakeRead.Get(), bytes, sizeof bytes) > 0) {
    }
}

void ConnectionGate::Stop() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    Wake();
}

bool ConnectionGate::Stopped() const {
    const std::lock_guard lock(m_mutex);
    return m_stopped;
}

bool ConnectionGate::HasRoom() const {
    const std::lock_guard lock(m_mutex);
    return m_entries.size() < m_maxConnections;
}

bool ConnectionGate::CanEvict() const {
    const std::lock_guard lock(m_mutex);
    const auto closing = [](const Entry& entry) { return entry.Closing; };
    const auto waiting = [](const Entry& entry) { return !entry.RequestComplete; };
    return std::none_of(m_entries.begin(), m_entries.end(), closing) &&
           std::any_of(m_entries.begin(), m_entries.end(), waiting);
}

void ConnectionGate::EvictOldest() {
    const std::lock_guard lock(m_mutex);
    const auto oldest = std::find_if(m_entries.begin(), m_entries.end(), [](const Entry& entry) {
        return !entry.RequestComplete && !entry.Closing;
    });
    if (oldest != m_entries.end())
        Close(*oldest);
}

ConnectionGate::Clock::time_point ConnectionGate::EnforceDeadlines(Clock::time_point now) {
    const std::lock_guard lock(m_mutex);
    auto next = Clock::time_point::max();
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        const auto deadline =
            entry->Admitted + (entry->RequestComplete ? m_lifetime : m_requestDeadline);
        if (now < deadline) {
            next = std::min(next, deadline);
            ++entry;
        } else if (!entry->Started) {
            // The library never reported taking it; nothing else will end this entry.
            entry = m_entries.erase(entry);
        } else {
            Close(*entry);
            ++entry;
        }
    }
    return next;
}

void ConnectionGate::Close(Entry& entry) {
    // The library sees the connection end at once and reports Ended() when it has let go.
    ::shutdown(entry.Own.Get(), SHUT_RDWR);
    entry.Closing = true;
}

void ConnectionGate::Add(int socket, FileDescriptor own) {
    const std::lock_guard lock(m_mutex);
    m_entries.push_back({.Socket = socket, .Own = std::move(own), .Admitted = Clock::now()});
}

void ConnectionGate::Refused(int socket) {
    const std::lock_guard lock(m_mutex);
    m_entries.remove_if(
        [socket](const Entry& entry) { return !entry.Started && entry.Socket == socket; });
}

void ConnectionGate::Started(int socket, void** context) {
    const std::lock_guard lock(m_mutex);
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(), [socket](const Entry& e) {
        return !e.Started && e.Socket == socket;
    });
    if (entry == m_entries.end())
        return;
    entry->Started = true;
    *context = &*entry;
}

void ConnectionGate::RequestArrived(void* context) {
    const std::lock_guard lock(m_mutex);
    if (context != nullptr)
        static_cast<Entry*>(context)->RequestComplete = true;
}

void ConnectionGate::Ended(void* context) {
    if (context == nullptr)
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_entries.remove_if([context](const Entry& entry) { return &entry == context; });
    }
    Wake();
}

} // namespace velnorix
