#pragma once

#include "base/clock.h"
#include "base/file_descriptor.h"
#include "probes/host_resolution.h"
#include "probes/icmp_packet.h"
#include "probes/network_bounds.h"
#include "probes/probe_interfaces.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
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

// Sequence numbers for echo probes that may run at once: each exchange takes its own, so no
// two requests in flight carry the same identifier and sequence and a reply matches one only.
class EchoSequences final {
public:
    std::uint16_t Take() { return m_next.fetch_add(1, std::memory_order_relaxed); }

private:
    std::atomic<std::uint16_t> m_next{kFirstEchoSequence};
};

// How the probe talks ICMP. A raw socket needs CAP_NET_RAW; Linux's ICMP datagram socket
// needs the user's group in net.ipv4.ping_group_range. The kernel gives the datagram socket
// its own identifier and strips the IP header from replies; the probe puts a header back
// (TTL and source from the kernel), so both kinds are read alike. The datagram socket only ever
// receives echo replies: an unreachable host shows as a time-out there.
enum class IcmpSocketKind { Raw, Datagram };

// The ping probe: one ICMP echo request per exchange, then up to 5,000 ms for its answer. IPv6
// targets get ICMPv6 echo (RFC 4443) on the same terms; the hop limit stands for the TTL.
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
    void CapWaits(std::chrono::milliseconds cap) override { m_cap = cap; }
    void SetResolver(HostResolver resolver) { m_resolver = std::move(resolver); }
    // The socket kinds to try, in order; raw, then datagram, by default.
    void SetSocketKinds(std::vector<IcmpSocketKind> kinds) { m_socketKinds = std::move(kinds); }
    // The kind of the socket now open; nothing when none is.
    [[nodiscard]] std::optional<IcmpSocketKind> OpenSocketKind() const;
    // Takes the sequence numbers of the exchanges from `sequences` from now on, instead of
    // counting its own.
    void ShareSequences(std::shared_ptr<EchoSequences> sequences) {
        m_sharedSequences = std::move(sequences);
    }
    // The sequence number the next exchange uses unless it takes one from shared sequences.
    [[nodiscard]] std::uint16_t Sequence() const { return m_sequence; }

private:
    // The socket for `family`, opened when none of that family is open, its TTL set.
    void ObtainSocket(int family);
    void OpenSocket(int family);
    void SetTimeToLive();
    // Sends the request to the first of the host's addresses that takes it; that address.
    PeerAddress SendRequest(const EchoRequest& request);
    // A raw socket gets a copy of every ICMP datagram the host receives. With many probes at
    // once, the others' requests and replies fill its queue whenever this thread is kept from
    // reading, and the kernel drops the reply that comes to a full queue: a live host shows as
    // down. So the open raw socket takes in only what may answer `request` from now on, and
    // what it queued before, all of it older than the request, is thrown away.
    void ListenOnlyFor(const EchoRequest& request);
    void SendTo(const EchoRequest& request, const PeerAddress& peer);
    void WaitForReply(const PeerAddress& target);
    // Receives one datagram and reads it as an answer to the exchange; nothing when it is not.
    std::optional<TReplyStatus> ReadIpv4Answer(const PeerAddress& target);
    std::optional<TReplyStatus> ReadIpv6Answer(const PeerAddress& target);
    // Receives one IPv4 datagram into m_buffer with its IP header; its size.
    std::size_t ReceiveDatagram();

    SystemClock m_systemClock;
    Clock& m_clock;
    // The low 16 bits of the process id, so replies to other programs' pings can be told apart.
    std::uint16_t m_identifier;
    std::string m_host;
    std::int32_t m_port = 0;
    std::chrono::milliseconds m_receiveTimeout = kEchoReceiveTimeout;
    std::chrono::milliseconds m_cap{0};
    HostResolver m_resolver = ResolveWithSystem;
    std::vector<IcmpSocketKind> m_socketKinds = {IcmpSocketKind::Raw, IcmpSocketKind::Datagram};
    FileDescriptor m_socket;
    IcmpSocketKind m_socketKind = IcmpSocketKind::Raw;
    int m_family = 0; // of the open socket
    std::uint16_t m_sequence = kFirstEchoSequence;
    std::shared_ptr<EchoSequences> m_sharedSequences;
    std::array<std::uint8_t, kEchoReceiveBufferSize> m_buffer{};
    TReplyStatus m_status;
};

} // namespace velnorix
