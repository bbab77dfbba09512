#pragma once

#include "probes/http/body_drain.h"
#include "probes/tcp_connection.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velnorix {

// How long and how much of a response body is read.
struct BodyBounds {
    // The longest silence between two of its bytes, and the whole body's time.
    std::chrono::milliseconds Silence{2'000};
    std::chrono::milliseconds Whole{30'000};
    // Past this many bytes the rest is left unread and the connection given up.
    std::uint64_t MaxBytes = 1'048'576;
    // How many of its first bytes are kept; the rest is dropped as it comes.
    std::size_t KeptBytes = 0;
};

struct ReadBody {
    DrainOutcome Outcome = DrainOutcome::Complete;
    std::string Start; // the body's first bytes, chunk framing removed
};

// Reads the body `framing` announces from `connection` within `bounds`. A timed-out read throws
// ReadTimeoutError; other socket failures throw as the connection's reads do.
ReadBody ReadResponseBody(TcpConnection& connection, const BodyFraming& framing,
                          const BodyBounds& bounds);

} // namespace velnorix
