#pragma once

#include "base/file_descriptor.h"

#include <cstdint>
#include <string>

namespace velnorix::bench {

// The minimal client the probes are compared with: plain blocking sockets, no bounds.
class MinimalClient final {
public:
    explicit MinimalClient(std::uint16_t port);
    void WriteLine(const std::string& line) const;
    // Reads lines until one whose fourth character is not "-": one reply.
    void ReadReply();
    void Close();
    // Reads an HTTP response's head and the Content-Length bytes after it; returns those.
    std::string ReadHttpBody();

private:
    std::string ReadLine();

    FileDescriptor m_socket;
    std::string m_buffer;
};

} // namespace velnorix::bench
