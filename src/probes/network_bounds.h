#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>

// Every limit the probes put on a peer, in one place. A silent or stalled peer costs at most
// the time-outs below; a peer that streams without end costs at most the reply caps.
namespace velnorix {

// Longest wait for a TCP connect to be accepted or refused, the host name lookup before it
// included.
inline constexpr std::chrono::milliseconds kConnectTimeout{30'000};
// Longest time one read call (a line, a whole numbered reply, a block of bytes) may take.
inline constexpr std::chrono::milliseconds kReadTimeout{30'000};
// Longest time one write call may wait for the peer to take its bytes.
inline constexpr std::chrono::milliseconds kWriteTimeout{30'000};
// Longest line a peer may send, not counting the LF that ends it.
inline constexpr std::size_t kMaxLineLength = 16'384;
// Most bytes taken from a socket by one read.
inline constexpr std::size_t kReceiveBufferSize = 32'768;
// Caps on one numbered reply (all its lines, blank ones included) and on one block read.
inline constexpr std::size_t kMaxReplyBytes = 1'048'576;
inline constexpr std::size_t kMaxReplyLines = 10'000;
// Longest wait for the echo probe's host name lookup.
inline constexpr std::chrono::milliseconds kEchoLookupTimeout{30'000};
// Longest wait for a DNS target's answer, its retry included: as long as the lookup ahead of
// a connect may take.
inline constexpr std::chrono::milliseconds kDnsQueryTimeout{30'000};
// The most a port probe reads while waiting for a banner line.
inline constexpr std::size_t kMaxBannerBytes = 4'096;
// How long an echo exchange waits for its reply.
inline constexpr std::chrono::milliseconds kEchoReceiveTimeout{5'000};

// The bounds of one TCP connection; the defaults are the constants above, tests set short ones.
struct ConnectionBounds {
    std::chrono::milliseconds ConnectTimeout = kConnectTimeout;
    std::chrono::milliseconds ReadTimeout = kReadTimeout;
    std::chrono::milliseconds WriteTimeout = kWriteTimeout;
    std::size_t MaxLineLength = kMaxLineLength;
    std::size_t MaxReplyBytes = kMaxReplyBytes;
    std::size_t MaxReplyLines = kMaxReplyLines;
};

// `bound`, or `cap` where a target caps its probe's waits (a cap of 0 does not).
constexpr std::chrono::milliseconds Capped(std::chrono::milliseconds bound,
                                           std::chrono::milliseconds cap) {
    return cap.count() > 0 ? std::min(bound, cap) : bound;
}

// The bounds with each of their waits capped; the caps on sizes stay.
constexpr ConnectionBounds CappedAt(ConnectionBounds bounds, std::chrono::milliseconds cap) {
    for (std::chrono::milliseconds* wait :
         {&bounds.ConnectTimeout, &bounds.ReadTimeout, &bounds.WriteTimeout})
        *wait = Capped(*wait, cap);
    return bounds;
}

} // namespace velnorix
