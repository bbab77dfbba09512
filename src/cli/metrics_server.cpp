#include "cli/metrics_server.h"

#include "cli/connection_gate.h"
#include "reports/metrics_exposition.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix {
namespace {

// What one client of the endpoint may cost the monitor, whatever it sends.
// Connections held at once; later ones wait in the kernel's backlog, or take the place of the
// oldest one that has not yet sent a whole request.
constexpr std::size_t kMaxConnections = 16;
// A connection without a whole request after this long is closed.
constexpr std::chrono::seconds kRequestDeadline{5};
// A connection, served or not, is closed after this long.
constexpr std::chrono::seconds kConnectionLifetime{10};
// The request line and headers together; a longer head is refused.
constexpr std::size_t kMaxRequestHead = std::size_t{8} * 1024;

[[noreturn]] void ThrowCannotServe(const ListenAddress& address, int cause) {
    throw std::runtime_error("cannot serve metrics on " + address.Host + " port " +
                             std::to_string(address.Port) +
                             (cause != 0 ? std::string(": ") + std::strerror(cause) : ""));
}

FileDescriptor Listen(const ListenAddress& address) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    const auto port = static_cast<in_port_t>(address.Port);
    if (auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        ::inet_pton(AF_INET, address.Host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
        length = sizeof *v4;
    } else if (auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
               ::inet_pton(AF_INET6, address.Host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        length = sizeof *v6;
    } else {
        ThrowCannotServe(address, EINVAL);
    }
    FileDescriptor listener(
        ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!listener.IsValid())
        ThrowCannotServe(address, errno);
    // Allows a quick restart; not SO_REUSEPORT, which would let a second monitor bind the
    // same port and take half the scrapes unseen.
    const int yes = 1;
    ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&storage), length) != 0 ||
        ::listen(listener.Get(), SOMAXCONN) != 0)
        ThrowCannotServe(address, errno);
    return listener;
}

MHD_Result Queue(MHD_Connection* connection, unsigned int status, std::string_view body,
                 std::string_view contentType) {
    MHD_Response* response = MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                            std::string(contentType).c_str());
    // One request a connection: a slot is never held by a client idling between requests.
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

bool DeclaresBody(MHD_Connection* connection) {
    const char* length =
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    return MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                       MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr ||
           (length != nullptr && std::string_view(length) != "0");
}

void* SocketContext(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info != nullptr ? info->socket_context : nullptr;
}

} // namespace

MetricsServer::MetricsServer(const ListenAddress& address, const MetricsBoard& board,
                             const HistoryRecorder* history)
    : m_board(board), m_history(history), m_listener(Listen(address)),
      m_gate(std::make_unique<ConnectionGate>(kMaxConnections, kRequestDeadline,
                                              kConnectionLifetime)) {
    const auto answer = [](void* self, MHD_Connection* connection, const char* url,
                           const char* method, const char*, const char*, std::size_t*,
                           void** requestContext) -> MHD_Result {
        auto& server = *static_cast<MetricsServer*>(self);
        // Answered as soon as the head is in: a body is never read, only refused.
        if (*requestContext != nullptr)
            return MHD_NO;
        *requestContext = self;
        server.m_gate->RequestArrived(SocketContext(connection));
        const std::string_view verb(method);
        if (verb != MHD_HTTP_METHOD_GET && verb != MHD_HTTP_METHOD_HEAD)
            return Queue(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "", "text/plain");
        if (DeclaresBody(connection))
            return Queue(connection, MHD_HTTP_BAD_REQUEST, "", "text/plain");
        if (std::string_view(url) != "/metrics")
            return Queue(connection, MHD_HTTP_NOT_FOUND, "", "text/plain");
        // Nothing may be thrown through the library's C frames.
        try {
            const std::shared_ptr<const MetricsSnapshot> snapshot = server.m_board.Latest();
            const std::shared_ptr<const UptimeTable> uptimes =
                server.m_history != nullptr ? server.m_history->Uptimes() : nullptr;
            return Queue(connection, MHD_HTTP_OK, RenderExposition(*snapshot, uptimes.get()),
                         kExpositionContentType);
        } catch (const std::exception&) {
            return MHD_NO;
        }
    };
    const auto notify = [](void* gate, MHD_Connection* connection, void** socketContext,
                           MHD_ConnectionNotificationCode code) {
        auto& connections = *static_cast<ConnectionGate*>(gate);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            if (info != nullptr)
                connections.Started(info->connect_fd, socketContext);
        } else {
            connections.Ended(*socketContext);
        }
    };
    // The pool holds the request head and the reply's own header lines; a head that does not
    // fit is refused with 431.
    const std::size_t pool = kMaxRequestHead + 1024;
    m_daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL | MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC, 0,
        nullptr, nullptr, answer, this, MHD_OPTION_CONNECTION_LIMIT,
        static_cast<unsigned int>(2 * kMaxConnections), MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned int>(kRequestDeadline.count()), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        pool, MHD_OPTION_CONNECTION_MEMORY_INCREMENT, std::size_t{1024},
        MHD_OPTION_NOTIFY_CONNECTION, static_cast<MHD_NotifyConnectionCallback>(notify),
        m_gate.get(), MHD_OPTION_END);
    if (m_daemon == nullptr)
        ThrowCannotServe(address, errno);
    m_admitter = std::thread([this] { Admit(); });
}

MetricsServer::~MetricsServer() {
    m_gate->Stop();
    m_admitter.join();
    // Closes every connection at once, whatever its client is doing.
    MHD_stop_daemon(m_daemon);
}

void MetricsServer::Admit() {
    ConnectionGate& gate = *m_gate;
    while (!gate.Stopped()) {
        const auto now = ConnectionGate::Clock::now();
        const auto next = gate.EnforceDeadlines(now);
        const bool room = gate.HasRoom();
        // When full, the listener is watched only while a waiting client could be let in by
        // closing a connection that has not sent its request.
        const bool watchListener = room || gate.CanEvict();
        pollfd entries[2] = {{gate.WakeFd(), POLLIN, 0}, {m_listener.Get(), POLLIN, 0}};
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - now).count();
        const int ready = ::poll(entries, watchListener ? 2 : 1,
                                 next == ConnectionGate::Clock::time_point::max()
                                     ? -1
                                     : static_cast<int>(std::min<long long>(wait, 60'000)));
        if (ready <= 0)
            continue;
        gate.DrainWakes();
        if (!watchListener || (entries[1].revents & POLLIN) == 0)
            continue;
        if (!room) {
            gate.EvictOldest();
            continue;
        }
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const int socket = ::accept4(m_listener.Get(), reinterpret_cast<sockaddr*>(&peer), &length,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        // Without it a scrape's reply waits on the client's delayed acknowledgement (40 ms).
        const int yes = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        FileDescriptor own(::fcntl(socket, F_DUPFD_CLOEXEC, 0));
        if (!own.IsValid()) {
            ::close(socket);
            continue;
        }
        gate.Add(socket, std::move(own));
        if (MHD_add_connection(m_daemon, socket, reinterpret_cast<const sockaddr*>(&peer),
                               length) != MHD_YES)
            gate.Refused(socket);
    }
}

} // namespace velnorix
