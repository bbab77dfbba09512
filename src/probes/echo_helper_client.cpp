#include "probes/echo_helper_client.h"

#include "base/deadline.h"
#include "probes/probe_errors.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace velnorix {
namespace {

// Beyond the exchange's own time-out: a helper that has not answered by then is stuck.
constexpr std::chrono::seconds kHelperGrace{2};

} // namespace

std::string NoIcmpSocketReason(const std::string& helperProgram) {
    return std::string(error_text::kCannotAllocateSocket) +
           " No raw or datagram ICMP socket here: run setcap cap_net_raw+ep " + helperProgram +
           ", or allow this group in net.ipv4.ping_group_range";
}

EchoHelperConnection::EchoHelperConnection(std::string program) : m_program(std::move(program)) {}

EchoHelperConnection::~EchoHelperConnection() {
    if (m_socket.IsValid())
        ::shutdown(m_socket.Get(), SHUT_RDWR); // the helper sees its input end and exits
    if (m_reader.joinable())
        m_reader.join();
    if (m_child <= 0)
        return;
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(m_child, nullptr, WNOHANG) != 0)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(m_child, SIGKILL);
    ::waitpid(m_child, nullptr, 0);
}

void EchoHelperConnection::Start() {
    m_started = true;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        m_endReason = SocketError(errno).what();
        return;
    }
    m_socket = FileDescriptor(ends[0]);
    const FileDescriptor helperEnd(ends[1]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, helperEnd.Get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, helperEnd.Get(), STDOUT_FILENO);
    std::string mode = "--echo-helper";
    std::vector<char*> arguments = {m_program.data(), mode.data(), nullptr};
    const int failed =
        ::posix_spawn(&m_child, m_program.c_str(), &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        m_child = -1;
        m_endReason =
            NoIcmpSocketReason(m_program) + " (" + m_program + ": " + std::strerror(failed) + ")";
        return;
    }
    m_reader = std::thread([this] { ReadReplies(); });
}

void EchoHelperConnection::ReadReplies() {
    std::string pending;
    char buffer[512];
    for (;;) {
        const ssize_t got = ::recv(m_socket.Get(), buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return End("The echo helper " + m_program + " ended");
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::optional<EchoHelperReply> reply =
                ParseEchoReplyLine(std::string_view(pending).substr(0, end));
            pending.erase(0, end + 1);
            if (!reply)
                return End("The echo helper " + m_program + " answered nonsense");
            const std::lock_guard lock(m_mutex);
            if (auto waiting = m_waiting.find(reply->Id); waiting != m_waiting.end())
                waiting->second = *reply;
        }
        if (pending.size() > kEchoHelperLineLimit)
            return End("The echo helper " + m_program + " answered nonsense");
        m_answered.notify_all();
    }
}

void EchoHelperConnection::End(std::string reason) {
    {
        const std::lock_guard lock(m_mutex);
        if (m_endReason.empty())
            m_endReason = std::move(reason);
    }
    m_answered.notify_all();
}

ReplyStatusKind EchoHelperConnection::Exchange(const std::string& address,
                                               std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_started)
        Start();
    if (!m_endReason.empty())
        throw ProbeError(m_endReason);
    const std::uint32_t id = m_nextId++;
    const std::string line = EchoRequestLine({id, address, timeout});
    if (::send(m_socket.Get(), line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size()))
        throw ProbeError("The echo helper " + m_program + " ended");
    auto waiting = m_waiting.emplace(id, std::nullopt).first;
    const bool answered = m_answered.wait_for(lock, timeout + kHelperGrace, [&] {
        return waiting->second.has_value() || !m_endReason.empty();
    });
    const std::optional<EchoHelperReply> reply = std::move(waiting->second);
    m_waiting.erase(waiting);
    if (!reply)
        throw ProbeError(answered ? m_endReason
                                  : "The echo helper " + m_program + " did not answer in time");
    if (reply->Kind)
        return *reply->Kind;
    throw ProbeError(reply->Error == error_text::kCannotAllocateSocket
                         ? NoIcmpSocketReason(m_program)
                         : reply->Error);
}

EchoWithHelper::EchoWithHelper(IcmpClient& own, std::shared_ptr<EchoHelperConnection> helper,
                               std::chrono::milliseconds timeout)
    : m_own(own), m_helper(std::move(helper)), m_timeout(timeout) {}

void EchoWithHelper::SetHost(std::string_view host) {
    m_host = host;
    m_own.SetHost(host);
}

void EchoWithHelper::SetPort(std::int32_t port) {
    m_own.SetPort(port);
}

// The cap goes to the own socket's exchanges as well as the helper's.
void EchoWithHelper::CapWaits(std::chrono::milliseconds cap) {
    m_cap = cap;
    m_own.CapWaits(cap);
}

void EchoWithHelper::EchoExchange(std::string_view data, std::uint16_t sequence) {
    if (!m_viaHelper) {
        try {
            m_own.EchoExchange(data, sequence);
            m_kind = m_own.ReplyKind();
            return;
        } catch (const ProbeError& error) {
            if (std::strcmp(error.what(), error_text::kCannotAllocateSocket) != 0)
                throw;
            m_viaHelper = true;
        }
    }
    m_kind = ReplyStatusKind::TimedOut;
    const std::vector<std::string> addresses =
        HostToAddresses(m_host, m_resolver, Deadline(Capped(kEchoLookupTimeout, m_cap)));
    if (addresses.empty())
        throw ProbeError(error_text::kCannotAllocateSocket);
    m_kind = m_helper->Exchange(addresses.front(), Capped(m_timeout, m_cap));
}

} // namespace velnorix
