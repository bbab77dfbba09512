#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A DNS target's question, as its settings spell it.
namespace velnorix {

enum class DnsRecordType { A, Aaaa, Mx, Txt, Cname, Ns };

// "A", "AAAA", "MX", "TXT", "CNAME", "NS".
std::string_view RecordTypeName(DnsRecordType type);
// One of those names in any letter case; nothing for any other text.
std::optional<DnsRecordType> RecordTypeNamed(std::string_view name);

// The name server text ("192.0.2.53", "192.0.2.53:5353", "::1", "[::1]:5353") as c-ares takes
// it, "address:port" with an IPv6 address in brackets; nothing when it is no address with an
// optional port 1-65535. Empty text is the system's servers: empty too.
std::optional<std::string> NameServerOf(std::string_view server);

// The values of a comma-separated list, each trimmed of blanks; empty items are dropped.
std::vector<std::string> ExpectedValues(std::string_view list);
// Why `value` can never be in an answer of `type` (an A value that is no IPv4 address), or
// empty when it can.
std::string ExpectedValueFault(DnsRecordType type, std::string_view value);

struct DnsQuestion {
    std::string Name;
    DnsRecordType Type = DnsRecordType::A;
    // From NameServerOf; empty for the system's.
    std::string Server;
    std::vector<std::string> Expected;
    // The whole query, retries included; 0 for the default bound.
    std::chrono::milliseconds Timeout{0};
};

} // namespace velnorix
