#include "probes/dns_question.h"

#include "base/ascii_case.h"
#include "probes/ascii_text.h"
#include "probes/host_resolution.h"

#include <arpa/inet.h>
#include <array>
#include <charconv>
#include <netinet/in.h>

namespace velnorix {
namespace {

constexpr std::array kTypes = {DnsRecordType::A,   DnsRecordType::Aaaa,  DnsRecordType::Mx,
                               DnsRecordType::Txt, DnsRecordType::Cname, DnsRecordType::Ns};

bool IsIpv6Address(const std::string& text) {
    in6_addr bytes{};
    return ::inet_pton(AF_INET6, text.c_str(), &bytes) == 1;
}

bool IsNumberIn(std::string_view text, int low, int high) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return !text.empty() && error == std::errc() && end == text.data() + text.size() &&
           number >= low && number <= high;
}

// A host name as a label list: letters, digits, "-", "_" and dots, a trailing dot allowed.
bool IsDomainName(std::string_view name) {
    if (name.ends_with('.'))
        name.remove_suffix(1);
    if (name.empty() || name.size() > 253)
        return false;
    return name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                  "0123456789-_.") == std::string_view::npos &&
           name.find("..") == std::string_view::npos && !name.starts_with('.');
}

} // namespace

std::string_view RecordTypeName(DnsRecordType type) {
    switch (type) {
    case DnsRecordType::Aaaa:
        return "AAAA";
    case DnsRecordType::Mx:
        return "MX";
    case DnsRecordType::Txt:
        return "TXT";
    case DnsRecordType::Cname:
        return "CNAME";
    case DnsRecordType::Ns:
        return "NS";
    case DnsRecordType::A:
        break;
    }
    return "A";
}

std::optional<DnsRecordType> RecordTypeNamed(std::string_view name) {
    for (const DnsRecordType type : kTypes) {
        if (EqualsIgnoringCase(name, RecordTypeName(type)))
            return type;
    }
    return std::nullopt;
}

std::optional<std::string> NameServerOf(std::string_view server) {
    if (server.empty())
        return std::string();
    std::string address(server);
    std::string_view port = "53";
    if (server.starts_with('[')) {
        const std::size_t close = server.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        address = std::string(server.substr(1, close - 1));
        const std::string_view rest = server.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':'))
            return std::nullopt;
        if (!rest.empty())
            port = rest.substr(1);
    } else if (const std::size_t colon = server.find(':');
               colon != std::string_view::npos &&
               server.find(':', colon + 1) == std::string_view::npos) {
        address = std::string(server.substr(0, colon));
        port = server.substr(colon + 1);
    }
    if (!IsNumberIn(port, 1, 65535))
        return std::nullopt;
    if (ParseDottedAddress(address))
        return address + ":" + std::string(port);
    if (IsIpv6Address(address))
        return "[" + address + "]:" + std::string(port);
    return std::nullopt;
}

std::vector<std::string> ExpectedValues(std::string_view list) {
    std::vector<std::string> values;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = TrimLinearWhitespace(list.substr(0, comma));
        if (!item.empty())
            values.emplace_back(item);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return values;
}

std::string ExpectedValueFault(DnsRecordType type, std::string_view value) {
    const std::string text(value);
    switch (type) {
    case DnsRecordType::A:
        if (!ParseDottedAddress(text))
            return "\"" + text + "\" is not an IPv4 address";
        break;
    case DnsRecordType::Aaaa:
        if (!IsIpv6Address(text))
            return "\"" + text + "\" is not an IPv6 address";
        break;
    case DnsRecordType::Mx: {
        // "10 mx.example.org" or the host alone.
        const std::size_t space = value.find(' ');
        const std::string_view host =
            space == std::string_view::npos ? value : value.substr(space + 1);
        if (!IsDomainName(host) ||
            (space != std::string_view::npos && !IsNumberIn(value.substr(0, space), 0, 65535)))
            return "\"" + text + "\" is not a mail exchanger (\"10 mx.example.org\" or its host)";
        break;
    }
    case DnsRecordType::Cname:
    case DnsRecordType::Ns:
        if (!IsDomainName(value))
            return "\"" + text + "\" is not a host name";
        break;
    case DnsRecordType::Txt:
        break;
    }
    return {};
}

} // namespace velnorix
