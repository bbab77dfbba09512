#pragma once

#include "base/file_descriptor.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace velnorix::bench {

// An in-process line server on 127.0.0.1 for the probe benchmarks: on every connection it
// sends the greeting, answers the n-th line received with the n-th reply (nothing once the
// replies run out) and closes when the client does. Connections are served one at a time.
class LineServer final {
public:
    LineServer(std::string greeting, std::vector<std::string> replies);
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    [[nodiscard]] std::uint16_t Port() const { return m_port; }

private:
    void Serve();
    void Converse(int fd) const;

    std::string m_greeting;
    std::vector<std::string> m_replies;
    FileDescriptor m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

// The minimal client the probes are compared with: plain blocking sockets, no bounds.
class MinimalClient final {
public:
    explicit MinimalClient(std::uint16_t port);
    void WriteLine(const std::string& line) const;
    // Reads lines until one whose fourth character is not "-": one reply.
    void ReadReply();
    void Close();

private:
    std::string ReadLine();

    FileDescriptor m_socket;
    std::string m_buffer;
};

} // namespace velnorix::bench
