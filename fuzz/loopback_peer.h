#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

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
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return m_port; }

    // What the next connection gets.
    void Prepare(std::string bytes, Ending ending);
    // Waits until the prepared connection has been served and closed (or until nothing has
    // connected for a while: a client that gave up before connecting).
    void WaitServed();

private:
    void Serve();
    void ServeOne(int connection, const std::string& bytes, Ending ending);

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_bytes;
    Ending m_ending = Ending::Close;
    bool m_prepared = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace velnorix::fuzzing
