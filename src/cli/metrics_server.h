#pragma once

#include "base/file_descriptor.h"
#include "cli/listen_address.h"
#include "engine/metrics_snapshot.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <thread>

struct MHD_Daemon;

namespace velnorix {

class ConnectionGate;

// What one client of the endpoint may cost the monitor, whatever it sends.
struct MetricsServerLimits {
    // Connections held at once; later ones wait in the kernel's backlog, or take the place of
    // the oldest one that has not yet sent a whole request.
    std::size_t MaxConnections = 16;
    // A connection without a whole request after this long is closed.
    std::chrono::milliseconds RequestDeadline{5'000};
    // A connection, served or not, is closed after this long.
    std::chrono::milliseconds ConnectionLifetime{10'000};
    // The request line and headers together; a longer head is refused.
    std::size_t MaxRequestHead = std::size_t{8} * 1024;
};

// Serves GET and HEAD of /metrics from the board's latest snapshot. The engine never waits for
// it: a scrape copies the snapshot's pointer and renders outside any lock. One thread admits
// connections within the limits; libmicrohttpd's thread parses and answers them, never blocking
// on a client.
class MetricsServer final {
public:
    // Binds at once; throws std::runtime_error naming the address and the cause when it cannot.
    MetricsServer(const ListenAddress& address, const MetricsBoard& board,
                  const MetricsServerLimits& limits = {});
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

private:
    void Admit();

    const MetricsBoard& m_board;
    const MetricsServerLimits m_limits;
    FileDescriptor m_listener;
    std::unique_ptr<ConnectionGate> m_gate;
    MHD_Daemon* m_daemon = nullptr;
    std::thread m_admitter;
};

} // namespace velnorix
