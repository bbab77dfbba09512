#pragma once

#include "base/file_descriptor.h"
#include "probes/echo_helper_protocol.h"
#include "probes/host_resolution.h"
#include "probes/icmp_client.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>

namespace velnorix {

// The echo helper: `program --echo-helper`, a console program given the raw-socket right, to
// which a program without an ICMP socket of its own hands its echo requests. Started at the
// first exchange; shared by every probe of the program, from any thread.
class EchoHelperConnection final {
public:
    explicit EchoHelperConnection(std::string program);
    ~EchoHelperConnection();
    EchoHelperConnection(const EchoHelperConnection&) = delete;
    EchoHelperConnection& operator=(const EchoHelperConnection&) = delete;

    // One echo exchange with `address` (numeric) through the helper. Throws ProbeError with a
    // reason that names the fix when the helper cannot be started or cannot open a socket
    // either, and when it ends or stops answering.
    ReplyStatusKind Exchange(const std::string& address, std::chrono::milliseconds timeout);

private:
    void Start();
    void ReadReplies();
    // The reason every exchange fails with from now on.
    void End(std::string reason);

    std::string m_program;
    std::mutex m_mutex;
    std::condition_variable m_answered;
    FileDescriptor m_socket;
    pid_t m_child = -1;
    std::thread m_reader;
    std::uint32_t m_nextId = 1;
    std::map<std::uint32_t, std::optional<EchoHelperReply>> m_waiting; // by id; set when in
    bool m_started = false;
    std::string m_endReason; // empty while the helper serves
};

// The reason a ping fails when neither this program nor the helper may open an ICMP socket.
std::string NoIcmpSocketReason(const std::string& helperProgram);

// A ping through the program's own ICMP socket where the system allows one, and through the
// echo helper from the first time it does not.
class EchoWithHelper final : public EchoProbe {
public:
    EchoWithHelper(IcmpClient& own, std::shared_ptr<EchoHelperConnection> helper,
                   std::chrono::milliseconds timeout);

    void SetHost(std::string_view host) override;
    void SetPort(std::int32_t port) override;
    void CapWaits(std::chrono::milliseconds cap) override;
    void EchoExchange(std::string_view data, std::uint16_t sequence) override;
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return m_kind; }
    // Whether exchanges go through the helper now.
    [[nodiscard]] bool ViaHelper() const { return m_viaHelper; }

private:
    IcmpClient& m_own;
    std::shared_ptr<EchoHelperConnection> m_helper;
    std::chrono::milliseconds m_timeout;
    std::chrono::milliseconds m_cap{0};
    HostResolver m_resolver = ResolveWithSystem;
    std::string m_host;
    bool m_viaHelper = false;
    ReplyStatusKind m_kind = ReplyStatusKind::TimedOut;
};

} // namespace velnorix
