#pragma once

#include "base/utf8_text.h"
#include "probes/dns_question.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velnorix {

// The test type tags; compared exactly, letter case included.
inline constexpr std::string_view kTagHtml = "<HTML>";
inline constexpr std::string_view kTagPing = "<Ping>";
inline constexpr std::string_view kTagPop3 = "<POP3>";
inline constexpr std::string_view kTagSmtp = "<SMTP>";
inline constexpr std::string_view kTagTcp = "<TCP>";
inline constexpr std::string_view kTagDns = "<DNS>";
inline constexpr std::size_t kTypeLength = 6;

enum class TestType { Html, Ping, Pop3, Smtp, Tcp, Dns, Unknown };

// The test type a tag selects; anything but the exact tags is Unknown.
TestType TestTypeOf(std::string_view tag);
// 80, 0, 110, 25 for web, ping, POP3 and SMTP; 0 for the others: a TCP target names its port,
// a DNS target's server carries its own.
std::int32_t DefaultPort(TestType type);
std::string_view TagOf(TestType type);

// How a mail target's conversation is protected. Web targets follow their URL's scheme.
enum class TargetSecurity {
    None,     // plain text throughout
    Tls,      // TLS from the first byte
    StartTls, // the plain greeting, then an upgrade to TLS before anything else is sent
};

// The usual port of a type spoken with that protection: POP3 110 / 995 / 110, SMTP 25 / 465 /
// 587 (message submission, where STARTTLS is the norm) for None / TLS / STARTTLS. The other
// types keep their one default.
std::int32_t DefaultPort(TestType type, TargetSecurity security);

// The request a web probe sends.
enum class WebMethod { Head, Get };

// The most echo requests one ping probe sends.
inline constexpr std::int32_t kMaxEchoes = 20;

// One configured target, as the configuration file and the dialog hold it.
struct TargetSettings {
    std::string Type;
    std::string Addr;
    std::string User;
    std::string Password;
    std::int32_t Port = 0;
    bool Audible = true;
    TargetSecurity Security = TargetSecurity::None;
    // This target's own Slow bound in milliseconds; 0 takes the configuration's.
    std::int32_t SlowMs = 0;
    // The number (1-based) of the target this one is reached through; 0 for none.
    std::int32_t Parent = 0;
    // A ping target's echo requests per probe, and the loss in per cent above which the probe
    // fails (100: only when none answers).
    std::int32_t Echoes = 1;
    std::int32_t LossPct = 100;
    WebMethod Method = WebMethod::Head;
    // What an answer must hold, as written; its type reads it (status codes and ranges for a
    // web target, such as "200-299,301"; values that must all be in a DNS target's answer,
    // such as "10.0.0.1,10.0.0.2"). Empty keeps the type's own rules.
    std::string Expect{};
    // A regular expression (Perl syntax) the start of a web page's body (a TCP target's banner
    // line) must match, or with MatchAbsent must not; empty for no check.
    std::string Match{};
    bool MatchAbsent = false;
    // Caps every wait of this target's probe; 0 takes the configuration's.
    std::int32_t TimeoutMs = 0;
    // A DNS target's question: the record type, and the name server asked ("address" or
    // "address:port"; empty for the system's).
    DnsRecordType Record = DnsRecordType::A;
    std::string Server{};

    // Stores a type tag, keeping only its first six characters.
    void SetType(std::string_view tag) { Type = std::string(FirstCharacters(tag, kTypeLength)); }
    // The address wherever it is shown or logged: a URL's password is replaced by "***", so
    // it never reaches the screen or a log file.
    [[nodiscard]] std::string ShownAddr() const;
    // ShownAddr WithUnusualPort: the target's name in the performance window and notices.
    [[nodiscard]] std::string ShownName() const;

    friend bool operator==(const TargetSettings&, const TargetSettings&) = default;
};

// `shownAddr`, the entry's address as its reader may see it, with the port the probe connects
// to wherever the address alone does not tell it: ":port" after a mail server's host (an IPv6
// literal in brackets) when it is not the usual one for the target's protection, and after a
// URL's host when the URL names no port and the target's port overrides the scheme's; always
// after a TCP target's host, and a DNS target's record type other than A after its name. Two
// targets on one host then read apart in every list, chart, notice and metric.
std::string WithUnusualPort(const TargetSettings& entry, std::string shownAddr);

} // namespace velnorix
