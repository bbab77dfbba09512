#pragma once

#include "support/loopback_server.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

// A TCP peer on 127.0.0.1 for the fuzz targets that read from a real connection: it answers
// each connection with the bytes it was given and then ends its side as it was told, so the
// client under test meets the input exactly as a server would deliver it.
namespace velnorix::fuzzing {

class LoopbackPeer final {
public:
    enum class Ending {
        Close, // a FIN after the bytes; the peer then reads until the client has closed
        Reset  // an RST right after the bytes
    };

    LoopbackPeer();

    [[nodiscard]] std::uint16_t Port() const { return m_server.Port(); }

    // What the next connection gets.
    void Prepare(std::string bytes, Ending ending);
    // Waits until the prepared connection has been served and closed and its thread has ended
    // (or until nothing has connected for a while: a client that gave up before connecting).
    void WaitServed();

private:
    void Serve(kit::Connection& connection);

    std::mutex m_mutex;
    std::condition_variable m_served;
    std::string m_bytes;
    Ending m_ending = Ending::Close;
    bool m_prepared = false;
    // Last, so its threads stop before what they use goes away.
    kit::LoopbackServer m_server;
};

} // namespace velnorix::fuzzing
