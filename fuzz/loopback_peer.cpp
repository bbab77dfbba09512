#include "loopback_peer.h"

#include <chrono>

namespace velnorix::fuzzing {
namespace {

// Long enough for any client under test to connect, read and close; a peer waiting longer
// than this has met a client that hangs, and libFuzzer's own time-out reports that.
constexpr std::chrono::milliseconds kPatience{5'000};

} // namespace

LoopbackPeer::LoopbackPeer()
    : m_server([this](kit::Connection& connection) { Serve(connection); }, kPatience) {}

void LoopbackPeer::Prepare(std::string bytes, Ending ending) {
    const std::lock_guard lock(m_mutex);
    m_bytes = std::move(bytes);
    m_ending = ending;
    m_prepared = true;
}

void LoopbackPeer::WaitServed() {
    {
        std::unique_lock lock(m_mutex);
        m_served.wait_for(lock, kPatience, [this] { return !m_prepared; });
        m_prepared = false;
    }
    // Serving ends with a notification, but its thread still holds what it allocated until it
    // returns; libFuzzer's leak check after this input must meet a quiet peer.
    m_server.JoinServed();
}

void LoopbackPeer::Serve(kit::Connection& connection) {
    std::string bytes;
    Ending ending;
    {
        const std::lock_guard lock(m_mutex);
        bytes = m_bytes;
        ending = m_ending;
    }
    const bool sent = connection.Send(bytes);
    if (ending == Ending::Reset)
        connection.Reset();
    else if (sent)
        connection.Close();
    {
        const std::lock_guard lock(m_mutex);
        m_prepared = false;
    }
    m_served.notify_all();
}

} // namespace velnorix::fuzzing
