#include "support/loopback_server_state.h"

// The server's sockets and its public face; the listener's threads are in
// loopback_server_state.h, a connection's input and output in loopback_connection.cpp and the
// script steps in loopback_script.cpp.

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace velnorix::kit {

namespace {

using std::chrono::milliseconds;

// No script waits longer than this for a client, so a broken test cannot hang the suite.
constexpr milliseconds kScriptPatience{20'000};

} // namespace

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

FileDescriptor LoopbackSocket(std::uint16_t* port, LoopbackFamily family) {
    const bool ipv6 = family == LoopbackFamily::Ipv6;
    FileDescriptor socket(::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.IsValid())
        ThrowSystemError("socket");
    // A fixed port is free again at once after an earlier server's connections ended; one
    // another program listens on stays taken.
    const int reuse = 1;
    if (*port != 0 &&
        ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0)
        ThrowSystemError("setsockopt");
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (ipv6) {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        address.sin6_port = htons(*port);
        std::memcpy(&storage, &address, length = sizeof address);
    } else {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(*port);
        std::memcpy(&storage, &address, length = sizeof address);
    }
    auto* raw = reinterpret_cast<sockaddr*>(&storage);
    if (::bind(socket.Get(), raw, length) != 0)
        ThrowSystemError("bind");
    if (::getsockname(socket.Get(), raw, &length) != 0)
        ThrowSystemError("getsockname");
    // The port sits at the same place in both families' addresses.
    *port = ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
    return socket;
}

namespace {

void ConnectTo(int fd, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno != EINPROGRESS)
        ThrowSystemError("connect");
}

} // namespace

LoopbackServer::LoopbackServer(ServerScript script, LoopbackFamily family)
    : LoopbackServer(std::vector<ServerScript>{std::move(script)}, family) {}

LoopbackServer::LoopbackServer(std::vector<ServerScript> scripts, LoopbackFamily family)
    : m_state(
          std::make_shared<ServerState>(std::move(scripts), nullptr, kScriptPatience, 0, family)) {}

LoopbackServer::LoopbackServer(Handler handler, milliseconds patience, std::uint16_t port,
                               LoopbackFamily family)
    : m_state(std::make_shared<ServerState>(std::vector<ServerScript>{}, std::move(handler),
                                            patience, port, family)) {}

LoopbackServer::~LoopbackServer() = default;

std::uint16_t LoopbackServer::Port() const {
    return m_state->Port();
}

void LoopbackServer::Finish() {
    m_state->Finish();
}

void LoopbackServer::JoinServed() {
    m_state->JoinServed();
}

std::size_t LoopbackServer::ConnectionCount() const {
    return m_state->ConnectionCount();
}

std::string LoopbackServer::Received(std::size_t index) const {
    return m_state->Received(index);
}

std::vector<std::string> LoopbackServer::ReceivedLines(std::size_t index) const {
    const std::string bytes = Received(index);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool complete = end != std::string::npos;
        if (!complete)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (complete && !line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = complete ? end + 1 : end;
    }
    return lines;
}

std::vector<std::string> LoopbackServer::Mismatches() const {
    return m_state->Mismatches();
}

RefusingPort::RefusingPort(LoopbackFamily family) {
    m_socket = LoopbackSocket(&m_port, family);
}

bool Ipv6LoopbackWorks() {
    try {
        const RefusingPort port(LoopbackFamily::Ipv6);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

UnansweredListener::UnansweredListener() {
    m_listener = LoopbackSocket(&m_port);
    if (::listen(m_listener.Get(), 0) != 0)
        ThrowSystemError("listen");
    // A backlog of 0 still queues a connection or two; fill it so the next SYN is dropped.
    for (int i = 0; i < 4; ++i) {
        FileDescriptor filler(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        ConnectTo(filler.Get(), m_port);
        m_fillers.push_back(std::move(filler));
    }
}

} // namespace velnorix::kit
