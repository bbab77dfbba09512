#pragma once

#include "probes/dns_question.h"
#include "probes/http/status_list.h"
#include "probes/tls_context.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The probe components as the test cycle sees them. The network probes implement these;
// tests of the cycle implement them with scripted fakes. Every call may throw: the cycle turns
// any exception into a failed probe.
namespace velnorix {

enum class ReplyStatusKind { Echo = 0, Error = 1, TimedOut = 2, Unreachable = 3, TtlExceeded = 4 };

// What every probe component is told before its calls.
class WaitCapped {
public:
    virtual ~WaitCapped() = default;
    // Every wait of the calls that follow (a name lookup, a connect, a TLS handshake, a read,
    // a write) ends after `cap` at the latest; a cap of 0 restores the component's own bounds.
    virtual void CapWaits(std::chrono::milliseconds /*cap*/) {}
};

class EchoProbe : public WaitCapped {
public:
    virtual void SetHost(std::string_view host) = 0;
    virtual void SetPort(std::int32_t port) = 0;
    // One echo exchange; a non-zero sequence number replaces the component's own.
    virtual void EchoExchange(std::string_view data, std::uint16_t sequence) = 0;
    [[nodiscard]] virtual ReplyStatusKind ReplyKind() const = 0;
};

// How a mail dialogue is protected: not at all, TLS from the first byte, or the plain greeting
// and then an upgrade (STLS, STARTTLS) before anything else is sent.
enum class ChannelSecurity { None, Tls, StartTls };

// What a probe that may speak TLS is told before each call, and what it saw.
class TlsCapable : public WaitCapped {
public:
    virtual void SetTrust(const TlsTrust& /*trust*/) {}
    // When the leaf certificate the last call saw expires, as a Unix time; 0 when it saw none.
    [[nodiscard]] virtual std::int64_t CertificateExpiry() const { return 0; }
};

// What a web probe sends and how it judges the answer.
struct WebCheck {
    // GET instead of HEAD; a Match implies it, since only GET brings a body.
    bool Get = false;
    // The status codes that succeed; nothing: 2xx without Location, as always.
    std::optional<StatusList> Expect;
    // A regular expression (see BodyPattern) searched for in the body's first kMatchedBodyBytes;
    // with MatchAbsent the probe fails when it is found instead of when it is not.
    std::string Match;
    bool MatchAbsent = false;
};

class HeadProbe : public TlsCapable {
public:
    virtual void SetPort(std::int32_t port) = 0;
    // The position of the target the next requests are for: what one target's server stores
    // with us (its cookies) goes back to that target only.
    virtual void SetTarget(std::int32_t position) = 0;
    // What the next requests send and check.
    virtual void SetCheck(const WebCheck& /*check*/) {}
    // One request for the address; returns only for an answer the check accepts.
    virtual void HeadRequest(std::string_view address) = 0;
    // What the last successful request adds to its verdict (a HEAD the server refused and the
    // GET that followed); empty for most.
    [[nodiscard]] virtual std::string Note() const { return {}; }
    virtual void CloseConnection() = 0;
};

// A mail server dialogue: opened and greeted by StartDialogue, ended by EndDialogue.
class DialogueProbe : public TlsCapable {
public:
    virtual void SetSecurity(ChannelSecurity /*security*/) {}
    virtual void SetHost(std::string_view host) = 0;
    virtual void SetPort(std::int32_t port) = 0;
    virtual void StartDialogue() = 0;
    virtual void EndDialogue() = 0;
};

class LoginDialogueProbe : public DialogueProbe {
public:
    virtual void SetUsername(std::string_view user) = 0;
    virtual void SetPassword(std::string_view password) = 0;
};

// What a port probe checks: that Host:Port takes a connection, in TLS when asked, and, with a
// banner pattern, that the first line the server sends matches it (or, with BannerAbsent,
// does not).
struct PortCheck {
    std::string Host;
    std::int32_t Port = 0;
    bool Tls = false;
    std::string BannerPattern;
    bool BannerAbsent = false;
    // Every wait of the probe; 0 keeps the connection's own bounds.
    std::chrono::milliseconds Timeout{0};
};

class PortProbe : public TlsCapable {
public:
    // Connects (and reads the banner); throws on failure, with the connection closed.
    virtual void Open(const PortCheck& check) = 0;
    virtual void Close() = 0;
};

// One DNS question whose answer must hold every expected value; throws when it does not.
class DnsProbe {
public:
    virtual ~DnsProbe() = default;
    virtual void Query(const DnsQuestion& question) = 0;
};

// The component of each type, owned by whoever builds the engine.
struct ProbeComponents {
    EchoProbe& Echo;          // <Ping> targets: ICMP echo
    HeadProbe& Web;           // <HTML> targets: the HTTP HEAD request
    LoginDialogueProbe& Pop3; // <POP3> targets: greeting, log-in and QUIT
    DialogueProbe& Smtp;      // <SMTP> targets: greeting and QUIT
    PortProbe& Tcp;           // <TCP> targets: a connection, and the banner when asked
    DnsProbe& Dns;            // <DNS> targets: one query and its answer set
};

} // namespace velnorix
