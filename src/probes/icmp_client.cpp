#include "probes/icmp_client.h"

#include "base/deadline.h"
#include "probes/probe_errors.h"
#include "probes/socket_startup.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velnorix {

namespace {

constexpr std::uint8_t kIpv4HeaderFirstByte = 0x45; // version 4, five 32-bit words

std::string DottedAddress(const std::array<std::uint8_t, 4>& bytes) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

int SocketTypeOf(IcmpSocketKind kind) {
    return kind == IcmpSocketKind::Raw ? SOCK_RAW : SOCK_DGRAM;
}

} // namespace

IcmpClient::IcmpClient(Clock& clock)
    : m_clock(clock), m_identifier(static_cast<std::uint16_t>(::getpid() & 0xffff)) {
    StartSockets();
}

IcmpClient::IcmpClient() : IcmpClient(m_systemClock) {}

std::optional<IcmpSocketKind> IcmpClient::OpenSocketKind() const {
    if (!m_socket.IsValid())
        return std::nullopt;
    return m_socketKind;
}

void IcmpClient::EchoExchange(std::string_view data, std::uint16_t sequence) {
    if (sequence != 0)
        m_sequence = sequence;
    const EchoRequest request =
        BuildEchoRequest(m_identifier, m_sequence, m_clock.TickCount(), data);
    const std::uint32_t start = m_clock.TickCount();
    EchoQuestion question;
    question.Target = SendRequest(request);
    question.Identifier = m_identifier;
    question.Sequence = m_sequence;
    WaitForReply(question);
    m_status.RoundTripMs = m_clock.TickCount() - start;
    m_socket.Close();
    ++m_sequence;
}

void IcmpClient::ObtainSocket() {
    if (!m_socket.IsValid())
        OpenSocket();
    SetTimeToLive();
}

void IcmpClient::OpenSocket() {
    for (const IcmpSocketKind kind : m_socketKinds) {
        FileDescriptor socket(
            ::socket(AF_INET, SocketTypeOf(kind) | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP));
        if (!socket.IsValid())
            continue; // EPERM or EACCES: this kind is not allowed to this user
        if (kind == IcmpSocketKind::Datagram) {
            // The kernel strips the IP header of what this socket receives; ask for the TTL.
            const int on = 1;
            if (::setsockopt(socket.Get(), IPPROTO_IP, IP_RECVTTL, &on, sizeof on) != 0)
                throw SocketError(errno);
        }
        m_socket = std::move(socket);
        m_socketKind = kind;
        return;
    }
    throw ProbeError(error_text::kCannotAllocateSocket);
}

void IcmpClient::SetTimeToLive() {
    const int ttl = kEchoTimeToLive;
    if (::setsockopt(m_socket.Get(), IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0)
        throw SocketError(errno);
}

std::array<std::uint8_t, 4> IcmpClient::SendRequest(const EchoRequest& request) {
    RequireSingleLineValue(m_host, "The host name");
    ObtainSocket();
    const sockaddr_in peer = PeerAddress(m_host, m_port, m_resolver, Deadline(kEchoLookupTimeout));
    std::array<std::uint8_t, 4> target{};
    std::memcpy(target.data(), &peer.sin_addr, target.size());
    for (;;) {
        const ssize_t sent = ::sendto(m_socket.Get(), request.data(), request.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        if (sent >= 0) {
            if (static_cast<std::size_t>(sent) < request.size())
                throw ProbeError(error_text::kNotAllBytesSent);
            return target;
        }
        if (errno == EINTR)
            continue;
        if (errno == EMSGSIZE)
            throw ProbeError(error_text::kPackageSizeTooBig);
        throw SocketError(errno);
    }
}

void IcmpClient::WaitForReply(EchoQuestion question) {
    // The datagram socket's requests carry the identifier the kernel chose, not ours.
    question.CheckIdentifier = m_socketKind == IcmpSocketKind::Raw;
    m_buffer.fill(0);
    const Deadline deadline(m_receiveTimeout);
    for (;;) {
        ObtainSocket();
        pollfd entry{m_socket.Get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, deadline.RemainingMs());
        // A failed wait counts as one in which nothing arrived.
        if (ready == 0 || (ready < 0 && errno != EINTR))
            break;
        if (ready > 0) {
            const std::size_t size = ReceiveDatagram();
            const std::optional<IcmpDatagram> answer =
                ReadAnswer(std::span(m_buffer).first(size), question);
            if (answer) {
                m_status = TReplyStatus{static_cast<std::int32_t>(size),
                                        DottedAddress(answer->Source),
                                        answer->Type,
                                        question.Sequence,
                                        0,
                                        answer->Ttl,
                                        answer->Kind};
                return;
            }
        }
        // Checked after every datagram too: a steady stream of foreign ones must not keep
        // poll() returning at once past the end of the wait.
        if (deadline.Passed())
            break;
    }
    m_status = TReplyStatus{};
    m_status.ReplySequence = question.Sequence;
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
    iovec part{m_buffer.data() + kMinIpHeaderSize, m_buffer.size() - kMinIpHeaderSize};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t received = ::recvmsg(m_socket.Get(), &message, 0);
    if (received < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        throw SocketError(errno);
    }
    int ttl = 0;
    for (cmsghdr* entry = CMSG_FIRSTHDR(&message); entry != nullptr;
         entry = CMSG_NXTHDR(&message, entry)) {
        if (entry->cmsg_level == IPPROTO_IP && entry->cmsg_type == IP_TTL &&
            entry->cmsg_len >= CMSG_LEN(sizeof ttl))
            std::memcpy(&ttl, CMSG_DATA(entry), sizeof ttl);
    }
    const std::size_t size = kMinIpHeaderSize + static_cast<std::size_t>(received);
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
