#include "cli/metrics_server.h"

#include "reports/metrics_exposition.h"

#include <cerrno>
#include <cstring>
#include <httplib.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>

namespace velnorix {
MetricsServer::MetricsServer(const ListenAddress& address, const MetricsBoard& board)
    : m_server(std::make_unique<httplib::Server>()) {
    m_server->Get("/metrics", [&board](const httplib::Request&, httplib::Response& response) {
        const std::shared_ptr<const MetricsSnapshot> snapshot = board.Latest();
        response.set_content(RenderExposition(*snapshot), std::string(kExpositionContentType));
    });
    // Without it a scrape's reply waits on the client's delayed acknowledgement (40 ms).
    m_server->set_tcp_nodelay(true);
    // The library's default, SO_REUSEPORT, would let a second monitor bind the same port and
    // take half the scrapes unseen; SO_REUSEADDR alone still allows a quick restart.
    m_server->set_socket_options([](int socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    errno = 0;
    if (!m_server->bind_to_port(address.Host, address.Port)) {
        const int cause = errno;
        throw std::runtime_error("cannot serve metrics on " + address.Host + " port " +
                                 std::to_string(address.Port) +
                                 (cause != 0 ? std::string(": ") + std::strerror(cause) : ""));
    }
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_listenEnded = true;
    });
    // A stop before the loop runs would be missed and leave the thread listening for good.
    while (!m_server->is_running() && !m_listenEnded)
        std::this_thread::yield();
}

MetricsServer::~MetricsServer() {
    m_server->stop();
    m_thread.join();
}

} // namespace velnorix
