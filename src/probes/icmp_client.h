#pragma once

#include "base/clock.h"
#include "base/file_descriptor.h"
#include "probes/host_resolution.h"
#include "probes/icmp_packet.h"
#include "probes/network_bounds.h"
#include "probes/probe_interfaces.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

inline constexpr std::uint16_t kFirstEchoSequence = 3489;
inline constexpr int kEchoTimeToLive = 128;
inline constexpr std::size_t kEchoReceiveBufferSize = 1024;

// The outcome of one echo exchange.
struct TReplyStatus {
    // Bytes of the datagram that decided the exchange, IP header included; 0 on time-out.
    std::int32_t ReplyBytes = 0;
    std::string ReplyFrom = "0.0.0.0";
    std::uint8_t ReplyIcmpType = 0;
    std::uint16_t ReplySequence = 0;
    std::uint32_t RoundTripMs = 0;
    std::uint8_t ReplyTtl = 0;
    ReplyStatusKind ReplyKind = ReplyStatusKind::TimedOut;
};

// How the probe talks ICMP. A raw socket needs CAP_NET_RAW; Linux's ICMP datagram socket
// needs the user's group in net.ipv4.ping_group_range. The kernel gives the datagram socket
// its own identifier and strips the IP header from replies; the probe puts a header back
// (TTL and source from the kernel), so both kinds are read alike. The datagram socket only ever
// receives echo replies: an unreachable host shows as a time-out there.
enum class IcmpSocketKind { Raw, Datagram };

// The ping probe: one ICMP echo request per exchange, then up to 5,000 ms for its answer.
class IcmpClient final : public EchoProbe {
public:
    // The tick count written into each request comes from `clock`.
    explicit IcmpClient(Clock& clock);
    IcmpClient();

    void SetHost(std::string_view host) override { m_host = host; }
    // ICMP has no ports: the value only fills the port field of the destination address.
    void SetPort(std::int32_t port) override { m_port = port; }
    void EchoExchange(std::string_view data, std::uint16_t sequence) override;
    [[nodiscard]] ReplyStatusKind ReplyKind() const override { return m_status.ReplyKind; }
    [[nodiscard]] const TReplyStatus& ReplyStatus() const { return m_status; }

    void SetReceiveTimeout(std::chrono::milliseconds timeout) { m_receiveTimeout = timeout; }
    void SetResolver(HostResolver resolver) { m_resolver = std::move(resolver); }
    // The socket kinds to try, in order; raw, then datagram, by default.
    void SetSocketKinds(std::vector<IcmpSocketKind> kinds) { m_socketKinds = std::move(kinds); }
    // The kind of the socket now open; nothing when none is.
    [[nodiscard]] std::optional<IcmpSocketKind> OpenSocketKind() const;
    // The sequence number the next exchange uses.
    [[nodiscard]] std::uint16_t Sequence() const { return m_sequence; }

private:
    void ObtainSocket();
    void OpenSocket();
    void SetTimeToLive();
    // Sends the request; the target's address.
    std::array<std::uint8_t, 4> SendRequest(const EchoRequest& request);
    void WaitForReply(EchoQuestion question);
    // Receives one datagram into m_buffer with its IP header; its size.
    std::size_t ReceiveDatagram();

    SystemClock m_systemClock;
    Clock& m_clock;
    // The low 16 bits of the process id, so replies to other programs' pings can be told apart.
    std::uint16_t m_identifier;
    std::string m_host;
    std::int32_t m_port = 0;
    std::chrono::milliseconds m_receiveTimeout = kEchoReceiveTimeout;
    HostResolver m_resolver = ResolveWithSystem;
    std::vector<IcmpSocketKind> m_socketKinds = {IcmpSocketKind::Raw, IcmpSocketKind::Datagram};
    FileDescriptor m_socket;
    IcmpSocketKind m_socketKind = IcmpSocketKind::Raw;
    std::uint16_t m_sequence = kFirstEchoSequence;
    std::array<std::uint8_t, kEchoReceiveBufferSize> m_buffer{};
    TReplyStatus m_status;
};

} // namespace velnorix
