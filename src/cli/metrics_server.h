#pragma once

#include "cli/listen_address.h"
#include "engine/metrics_snapshot.h"

#include <atomic>
#include <memory>
#include <thread>

namespace httplib {
class Server;
}

namespace velnorix {

// Serves GET /metrics from the board's latest snapshot on a thread of its own. The engine
// never waits for it: a scrape copies the snapshot's pointer and renders outside any lock.
class MetricsServer final {
public:
    // Binds at once; throws std::runtime_error naming the address and the cause when it cannot.
    MetricsServer(const ListenAddress& address, const MetricsBoard& board);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::atomic<bool> m_listenEnded = false;
    std::thread m_thread;
};

} // namespace velnorix
