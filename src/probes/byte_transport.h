#pragma once

#include "base/deadline.h"
#include "base/file_descriptor.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace velnorix {

// The byte stream under the line layer: a plain socket, or TLS on one. Every wait is a poll()
// on the time the deadline leaves.
class ByteTransport {
public:
    virtual ~ByteTransport() = default;

    // Some bytes into `area` once they arrive: their count, or 0 when the peer has closed.
    // Throws ReadTimeoutError when the deadline passes first, SocketError when the socket
    // fails, ProbeError when TLS does.
    virtual std::size_t Receive(std::span<char> area, const Deadline& deadline) = 0;
    // Every byte, or throws SocketError (ETIMEDOUT when the deadline passed) or ProbeError.
    virtual void Send(std::string_view bytes, const Deadline& deadline) = 0;
    // Ends sending and closes without waiting for the peer.
    virtual void Close() = 0;
};

// Waits until the socket is ready for `events`; false when the deadline passed first.
bool WaitForSocket(int fd, short events, const Deadline& deadline);

class PlainTransport final : public ByteTransport {
public:
    explicit PlainTransport(FileDescriptor socket) : m_socket(std::move(socket)) {}

    std::size_t Receive(std::span<char> area, const Deadline& deadline) override;
    void Send(std::string_view bytes, const Deadline& deadline) override;
    void Close() override;
    // Hands the socket to a transport that takes the stream over (STARTTLS).
    FileDescriptor ReleaseSocket() { return std::move(m_socket); }

private:
    FileDescriptor m_socket;
};

} // namespace velnorix
