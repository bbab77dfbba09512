#include "probes/dns_answer.h"

#include "base/ascii_case.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <netinet/in.h>
#include <string_view>

namespace velnorix {
namespace {

std::string_view WithoutFinalDot(std::string_view name) {
    if (name.ends_with('.'))
        name.remove_suffix(1);
    return name;
}

bool SameName(std::string_view left, std::string_view right) {
    return EqualsIgnoringCase(WithoutFinalDot(left), WithoutFinalDot(right));
}

bool SameAddress(int family, const std::string& left, const std::string& right) {
    std::array<unsigned char, sizeof(in6_addr)> a{};
    std::array<unsigned char, sizeof(in6_addr)> b{};
    return ::inet_pton(family, left.c_str(), a.data()) == 1 &&
           ::inet_pton(family, right.c_str(), b.data()) == 1 && a == b;
}

std::string Joined(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& value : values)
        text += (text.empty() ? "" : ", ") + value;
    return text;
}

} // namespace

bool AnswerHolds(DnsRecordType type, const std::string& answer, const std::string& value) {
    switch (type) {
    case DnsRecordType::A:
        return SameAddress(AF_INET, answer, value);
    case DnsRecordType::Aaaa:
        return SameAddress(AF_INET6, answer, value);
    case DnsRecordType::Mx: {
        // The answer reads "<preference> <host>".
        const std::size_t space = answer.find(' ');
        const std::string_view host = std::string_view(answer).substr(space + 1);
        const std::size_t valueSpace = value.find(' ');
        if (valueSpace == std::string::npos)
            return SameName(host, value);
        return answer.compare(0, space, value, 0, valueSpace) == 0 &&
               SameName(host, std::string_view(value).substr(valueSpace + 1));
    }
    case DnsRecordType::Cname:
    case DnsRecordType::Ns:
        return SameName(answer, value);
    case DnsRecordType::Txt:
        break;
    }
    return answer == value;
}

std::vector<std::string> MissingFromAnswer(DnsRecordType type,
                                           const std::vector<std::string>& expected,
                                           const std::vector<std::string>& answers) {
    std::vector<std::string> missing;
    for (const std::string& value : expected) {
        if (std::ranges::none_of(answers, [&](const std::string& answer) {
                return AnswerHolds(type, answer, value);
            }))
            missing.push_back(value);
    }
    return missing;
}

std::string MissingAnswerReason(const std::vector<std::string>& missing,
                                const std::vector<std::string>& answers) {
    return "Missing from answer: " + Joined(missing) + "; answer: " + Joined(answers);
}

} // namespace velnorix
