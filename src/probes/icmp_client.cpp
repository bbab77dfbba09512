#include "probes/icmp_client.h"

#include "base/deadline.h"
#include "probes/icmpv6_packet.h"
#include "probes/probe_errors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <exception>
#include <linux/filter.h>
#include <netinet/in.h>
#include <poll.h>
#include <span>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix {

namespace {

// One datagram and the hop count the kernel reports beside it (IP_TTL or IPV6_HOPLIMIT);
// nothing when no datagram was waiting.
struct HopCountedDatagram {
    std::size_t Size = 0;
    int HopCount = 0;
};

std::optional<HopCountedDatagram> ReceiveWithHopCount(int socket, std::span<std::uint8_t> area,
                                                      sockaddr* from, socklen_t fromSize, int level,
                                                      int type) {
    iovec part{area.data(), area.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_name = from;
    message.msg_namelen = fromSize;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = ::recvmsg(socket, &message, 0);
    if (received < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
            return std::nullopt;
        throw SocketError(errno);
    }
    HopCountedDatagram datagram{static_cast<std::size_t>(received), 0};
    for (cmsghdr* entry = CMSG_FIRSTHDR(&message); entry != nullptr;
         entry = CMSG_NXTHDR(&message, entry)) {
        if (entry->cmsg_level == level && entry->cmsg_type == type &&
            entry->cmsg_len >= CMSG_LEN(sizeof datagram.HopCount))
            std::memcpy(&datagram.HopCount, CMSG_DATA(entry), sizeof datagram.HopCount);
    }
    return datagram;
}

constexpr std::uint8_t kIpv4HeaderFirstByte = 0x45; // version 4, five 32-bit words

std::string DottedAddress(const std::array<std::uint8_t, 4>& bytes) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

int SocketTypeOf(IcmpSocketKind kind) {
    return kind == IcmpSocketKind::Raw ? SOCK_RAW : SOCK_DGRAM;
}

// Classic BPF, as SO_ATTACH_FILTER takes it.
constexpr sock_filter Statement(int code, std::uint32_t k) {
    return sock_filter{static_cast<std::uint16_t>(code), 0, 0, k};
}
constexpr sock_filter Jump(int test, std::uint32_t k, std::uint8_t ifTrue, std::uint8_t ifFalse) {
    return sock_filter{static_cast<std::uint16_t>(BPF_JMP | test | BPF_K), ifTrue, ifFalse, k};
}
constexpr sock_filter kAccept = Statement(BPF_RET | BPF_K, 0xffffffff);
constexpr sock_filter kDrop = Statement(BPF_RET | BPF_K, 0);

// The request's identifier and sequence number as a filter loads them: bytes 4 to 7 of the
// ICMP header, read as one word, the first byte most significant.
std::uint32_t IdentifyingWord(const EchoRequest& request) {
    return (std::uint32_t{request[4]} << 24) | (std::uint32_t{request[5]} << 16) |
           (std::uint32_t{request[6]} << 8) | request[7];
}

// Passes the IPv4 datagrams (IP header first) that may answer the request with `word`: an echo
// reply carrying it, or a destination unreachable (3), redirect (5), time exceeded (11) or
// parameter problem (12) quoting a request that carries it. ReadAnswer looks closer.
std::vector<sock_filter> Ipv4AnswerFilter(std::uint32_t word) {
    return {
        Statement(BPF_LDX | BPF_B | BPF_MSH, 0), // X: the length of the IP header
        Statement(BPF_LD | BPF_B | BPF_IND, 0),  // the ICMP type
        Jump(BPF_JEQ, 0, 10, 0), // an echo reply: on to its identifier and sequence number
        Jump(BPF_JEQ, 3, 3, 0),  // the errors ReadAnswer reads
        Jump(BPF_JEQ, 5, 2, 0),
        Jump(BPF_JEQ, 11, 1, 0),
        Jump(BPF_JEQ, 12, 0, 9), // anything else is dropped
        // X moves past the error's own header and the IP header it quotes.
        Statement(BPF_LD | BPF_B | BPF_IND, 8),
        Statement(BPF_ALU | BPF_AND | BPF_K, 0x0f),
        Statement(BPF_ALU | BPF_LSH | BPF_K, 2),
        Statement(BPF_ALU | BPF_ADD | BPF_X, 0),
        Statement(BPF_ALU | BPF_ADD | BPF_K, static_cast<std::uint32_t>(kIcmpHeaderSize)),
        Statement(BPF_MISC | BPF_TAX, 0),
        Statement(BPF_LD | BPF_W | BPF_IND, 4),
        Jump(BPF_JEQ, word, 0, 1),
        kAccept,
        kDrop,
    };
}

// The same for ICMPv6 messages, which come without their IPv6 header: an echo reply (129)
// carrying `word`, or an error (types 1 to 4) quoting a request that carries it behind the
// quoted IPv6 header. ReadIcmpv6Answer looks closer.
std::vector<sock_filter> Icmpv6AnswerFilter(std::uint32_t word) {
    return {
        Statement(BPF_LDX | BPF_IMM, 0), // X: where the echo header starts
        Statement(BPF_LD | BPF_B | BPF_ABS, 0),
        Jump(BPF_JEQ, 129, 2, 0), // an echo reply: on to its identifier and sequence number
        Jump(BPF_JGT, 4, 4, 0),   // no error ReadIcmpv6Answer reads: dropped
        Statement(BPF_LDX | BPF_IMM, static_cast<std::uint32_t>(kIcmpHeaderSize + kIpv6HeaderSize)),
        Statement(BPF_LD | BPF_W | BPF_IND, 4),
        Jump(BPF_JEQ, word, 0, 1),
        kAccept,
        kDrop,
    };
}

} // namespace

IcmpClient::IcmpClient(Clock& clock)
    : m_clock(clock), m_identifier(static_cast<std::uint16_t>(::getpid() & 0xffff)) {}

IcmpClient::IcmpClient() : IcmpClient(m_systemClock) {}

std::optional<IcmpSocketKind> IcmpClient::OpenSocketKind() const {
    if (!m_socket.IsValid())
        return std::nullopt;
    return m_socketKind;
}

void IcmpClient::EchoExchange(std::string_view data, std::uint16_t sequence) {
    if (sequence != 0)
        m_sequence = sequence;
    else if (m_sharedSequences)
        m_sequence = m_sharedSequences->Take();
    const EchoRequest request =
        BuildEchoRequest(m_identifier, m_sequence, m_clock.TickCount(), data);
    const std::uint32_t start = m_clock.TickCount();
    const PeerAddress target = SendRequest(request);
    WaitForReply(target);
    m_status.RoundTripMs = m_clock.TickCount() - start;
    m_socket.Close();
    ++m_sequence;
}

void IcmpClient::ObtainSocket(int family) {
    if (m_socket.IsValid() && m_family != family)
        m_socket.Close();
    if (!m_socket.IsValid())
        OpenSocket(family);
    SetTimeToLive();
}

void IcmpClient::OpenSocket(int family) {
    const bool ipv6 = family == AF_INET6;
    const int protocol = ipv6 ? static_cast<int>(IPPROTO_ICMPV6) : static_cast<int>(IPPROTO_ICMP);
    for (const IcmpSocketKind kind : m_socketKinds) {
        FileDescriptor socket(
            ::socket(family, SocketTypeOf(kind) | SOCK_NONBLOCK | SOCK_CLOEXEC, protocol));
        if (!socket.IsValid())
            continue; // EPERM or EACCES: this kind is not allowed to this user
        // Where the kernel keeps the IP header to itself (always for ICMPv6), ask for the TTL
        // or hop limit beside each message.
        const int on = 1;
        if ((ipv6 &&
             ::setsockopt(socket.Get(), IPPROTO_IPV6, IPV6_RECVHOPLIMIT, &on, sizeof on) != 0) ||
            (!ipv6 && kind == IcmpSocketKind::Datagram &&
             ::setsockopt(socket.Get(), IPPROTO_IP, IP_RECVTTL, &on, sizeof on) != 0))
            throw SocketError(errno);
        m_socket = std::move(socket);
        m_socketKind = kind;
        m_family = family;
        return;
    }
    throw ProbeError(error_text::kCannotAllocateSocket);
}

void IcmpClient::SetTimeToLive() {
    const int ttl = kEchoTimeToLive;
    const bool ipv6 = m_family == AF_INET6;
    if (::setsockopt(m_socket.Get(), ipv6 ? IPPROTO_IPV6 : IPPROTO_IP,
                     ipv6 ? IPV6_UNICAST_HOPS : IP_TTL, &ttl, sizeof ttl) != 0)
        throw SocketError(errno);
}

PeerAddress IcmpClient::SendRequest(const EchoRequest& request) {
    RequireSingleLineValue(m_host, "The host name");
    // The socket is there before the lookup, as it always was; a literal tells its family, so
    // an IPv6 one does not open an IPv4 socket only to swap it.
    ObtainSocket(LiteralFamily(m_host));
    const std::vector<PeerAddress> peers =
        PeerAddresses(m_host, m_port, m_resolver, Deadline(Capped(kEchoLookupTimeout, m_cap)));
    // A name with addresses of both kinds pings the first; one that cannot be sent to at once
    // (no route, no IPv6 here) passes the request on to the next, and the last error stands.
    std::exception_ptr lastError;
    for (const PeerAddress& peer : peers) {
        try {
            ObtainSocket(peer.Family());
            const EchoRequest sent = peer.Family() == AF_INET6 ? ToIcmpv6Request(request) : request;
            ListenOnlyFor(sent);
            SendTo(sent, peer);
            return peer;
        } catch (const ProbeError&) {
            lastError = std::current_exception();
        }
    }
    std::rethrow_exception(lastError);
}

void IcmpClient::ListenOnlyFor(const EchoRequest& request) {
    if (m_socketKind != IcmpSocketKind::Raw)
        return; // the kernel hands the datagram socket its own replies only
    std::vector<sock_filter> program = m_family == AF_INET6
                                           ? Icmpv6AnswerFilter(IdentifyingWord(request))
                                           : Ipv4AnswerFilter(IdentifyingWord(request));
    const sock_fprog filter{static_cast<unsigned short>(program.size()), program.data()};
    if (::setsockopt(m_socket.Get(), SOL_SOCKET, SO_ATTACH_FILTER, &filter, sizeof filter) != 0)
        throw SocketError(errno);
    while (::recv(m_socket.Get(), m_buffer.data(), m_buffer.size(), MSG_DONTWAIT) >= 0) {
    }
}

void IcmpClient::SendTo(const EchoRequest& request, const PeerAddress& peer) {
    for (;;) {
        const ssize_t sent =
            ::sendto(m_socket.Get(), request.data(), request.size(), 0, peer.Get(), peer.Length);
        if (sent >= 0) {
            if (static_cast<std::size_t>(sent) < request.size())
                throw ProbeError(error_text::kNotAllBytesSent);
            return;
        }
        if (errno == EINTR)
            continue;
        if (errno == EMSGSIZE)
            throw ProbeError(error_text::kPackageSizeTooBig);
        throw SocketError(errno);
    }
}

void IcmpClient::WaitForReply(const PeerAddress& target) {
    m_buffer.fill(0);
    const Deadline deadline(Capped(m_receiveTimeout, m_cap));
    for (;;) {
        ObtainSocket(target.Family());
        pollfd entry{m_socket.Get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, deadline.RemainingMs());
        // A failed wait counts as one in which nothing arrived.
        if (ready == 0 || (ready < 0 && errno != EINTR))
            break;
        if (ready > 0) {
            std::optional<TReplyStatus> answer =
                target.Family() == AF_INET6 ? ReadIpv6Answer(target) : ReadIpv4Answer(target);
            if (answer) {
                m_status = *answer;
                return;
            }
        }
        // Checked after every datagram too: a steady stream of foreign ones must not keep
        // poll() returning at once past the end of the wait.
        if (deadline.Passed())
            break;
    }
    m_status = TReplyStatus{};
    m_status.ReplySequence = m_sequence;
}

std::optional<TReplyStatus> IcmpClient::ReadIpv4Answer(const PeerAddress& target) {
    EchoQuestion question;
    std::memcpy(question.Target.data(),
                &reinterpret_cast<const sockaddr_in*>(&target.Storage)->sin_addr,
                question.Target.size());
    question.Identifier = m_identifier;
    question.Sequence = m_sequence;
    // The datagram socket's requests carry the identifier the kernel chose, not ours.
    question.CheckIdentifier = m_socketKind == IcmpSocketKind::Raw;
    const std::size_t size = ReceiveDatagram();
    const std::optional<IcmpDatagram> answer =
        ReadAnswer(std::span(m_buffer).first(size), question);
    if (!answer)
        return std::nullopt;
    return TReplyStatus{static_cast<std::int32_t>(size),
                        DottedAddress(answer->Source),
                        answer->Type,
                        m_sequence,
                        0,
                        answer->Ttl,
                        answer->Kind};
}

std::optional<TReplyStatus> IcmpClient::ReadIpv6Answer(const PeerAddress& target) {
    Echo6Question question;
    std::memcpy(question.Target.data(),
                &reinterpret_cast<const sockaddr_in6*>(&target.Storage)->sin6_addr,
                question.Target.size());
    question.Identifier = m_identifier;
    question.Sequence = m_sequence;
    question.CheckIdentifier = m_socketKind == IcmpSocketKind::Raw;

    sockaddr_in6 from{};
    const std::optional<HopCountedDatagram> datagram =
        ReceiveWithHopCount(m_socket.Get(), m_buffer, reinterpret_cast<sockaddr*>(&from),
                            sizeof from, IPPROTO_IPV6, IPV6_HOPLIMIT);
    if (!datagram)
        return std::nullopt;
    const int hopLimit = datagram->HopCount;
    Ipv6Bytes source{};
    std::memcpy(source.data(), &from.sin6_addr, source.size());
    const std::size_t size = datagram->Size;
    const std::optional<Icmpv6Answer> answer =
        ReadIcmpv6Answer(std::span(m_buffer).first(size), source, question);
    if (!answer)
        return std::nullopt;
    std::array<char, INET6_ADDRSTRLEN> text{};
    ::inet_ntop(AF_INET6, &from.sin6_addr, text.data(), text.size());
    // Counted with the IPv6 header the kernel took off, as IPv4 replies count theirs.
    return TReplyStatus{static_cast<std::int32_t>(kIpv6HeaderSize + size),
                        text.data(),
                        answer->Type,
                        m_sequence,
                        0,
                        static_cast<std::uint8_t>(hopLimit),
                        answer->Kind};
}

std::size_t IcmpClient::ReceiveDatagram() {
    if (m_socketKind == IcmpSocketKind::Raw) {
        const ssize_t received = ::recv(m_socket.Get(), m_buffer.data(), m_buffer.size(), 0);
        if (received >= 0)
            return static_cast<std::size_t>(received);
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        throw SocketError(errno);
    }

    // The datagram socket delivers the ICMP message alone: receive it behind room for an IP
    // header and rebuild that header from the sender's address and the TTL the kernel reports.
    sockaddr_in from{};
    const std::optional<HopCountedDatagram> datagram =
        ReceiveWithHopCount(m_socket.Get(), std::span(m_buffer).subspan(kMinIpHeaderSize),
                            reinterpret_cast<sockaddr*>(&from), sizeof from, IPPROTO_IP, IP_TTL);
    if (!datagram)
        return 0;
    const int ttl = datagram->HopCount;
    const std::size_t size = kMinIpHeaderSize + datagram->Size;
    std::fill_n(m_buffer.begin(), kMinIpHeaderSize, 0);
    m_buffer[0] = kIpv4HeaderFirstByte;
    m_buffer[2] = static_cast<std::uint8_t>(size >> 8);
    m_buffer[3] = static_cast<std::uint8_t>(size & 0xff);
    m_buffer[8] = static_cast<std::uint8_t>(ttl);
    m_buffer[9] = kProtocolIcmp;
    std::memcpy(m_buffer.data() + 12, &from.sin_addr, 4);
    return size;
}

} // namespace velnorix
