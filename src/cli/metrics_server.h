#pragma once

#include "base/file_descriptor.h"
#include "cli/listen_address.h"
#include "engine/metrics_snapshot.h"
#include "history/history_recorder.h"

#include <memory>
#include <thread>

struct MHD_Daemon;

namespace velnorix {

class ConnectionGate;

// Serves GET and HEAD of /metrics from the board's latest snapshot. The engine never waits for
// it: a scrape copies the snapshot's pointer and renders outside any lock. One thread admits
// connections within the limits; libmicrohttpd's thread parses and answers them, never blocking
// on a client.
class MetricsServer final {
public:
    // Binds at once; throws std::runtime_error naming the address and the cause when it cannot.
    // With `history`, a scrape also gives the uptime figures it last read.
    MetricsServer(const ListenAddress& address, const MetricsBoard& board,
                  const HistoryRecorder* history = nullptr);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

private:
    void Admit();

    const MetricsBoard& m_board;
    const HistoryRecorder* m_history;
    FileDescriptor m_listener;
    std::unique_ptr<ConnectionGate> m_gate;
    MHD_Daemon* m_daemon = nullptr;
    std::thread m_admitter;
};

} // namespace velnorix
