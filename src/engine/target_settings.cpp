#include "engine/target_settings.h"

#include "probes/http/url_parts.h"

#include <algorithm>
#include <string_view>

namespace velnorix {
namespace {

constexpr std::string_view kSchemeMark = "://";

bool IsIpv6Literal(std::string_view host) {
    return !host.starts_with('[') && host.find(':') != std::string_view::npos;
}

// The web probe connects to the URL's own port; without one, to the target's port unless that
// is 0, 80 or 443, which leave the scheme's (ChoosePort).
bool PortOverridesUrl(const TargetSettings& entry) {
    if (entry.Port == 0 || entry.Port == 80 || entry.Port == 443)
        return false;
    const AddressParts parts = ReadAddress(entry.Addr);
    return parts.HasScheme && parts.Port.empty();
}

} // namespace

TestType TestTypeOf(std::string_view tag) {
    if (tag == kTagHtml)
        return TestType::Html;
    if (tag == kTagPing)
        return TestType::Ping;
    if (tag == kTagPop3)
        return TestType::Pop3;
    if (tag == kTagSmtp)
        return TestType::Smtp;
    if (tag == kTagTcp)
        return TestType::Tcp;
    if (tag == kTagDns)
        return TestType::Dns;
    return TestType::Unknown;
}

std::string TargetSettings::ShownAddr() const {
    return WithPasswordHidden(Addr);
}

std::int32_t DefaultPort(TestType type) {
    switch (type) {
    case TestType::Html:
        return 80;
    case TestType::Pop3:
        return 110;
    case TestType::Smtp:
        return 25;
    case TestType::Ping:
    case TestType::Tcp:
    case TestType::Dns:
    case TestType::Unknown:
        break;
    }
    return 0;
}

std::string_view TagOf(TestType type) {
    switch (type) {
    case TestType::Html:
        return kTagHtml;
    case TestType::Ping:
        return kTagPing;
    case TestType::Pop3:
        return kTagPop3;
    case TestType::Smtp:
        return kTagSmtp;
    case TestType::Tcp:
        return kTagTcp;
    case TestType::Dns:
        return kTagDns;
    case TestType::Unknown:
        break;
    }
    return {};
}

std::int32_t DefaultPort(TestType type, TargetSecurity security) {
    if (type == TestType::Pop3 && security == TargetSecurity::Tls)
        return 995;
    if (type == TestType::Smtp && security == TargetSecurity::Tls)
        return 465;
    if (type == TestType::Smtp && security == TargetSecurity::StartTls)
        return 587;
    return DefaultPort(type);
}

std::string WithUnusualPort(const TargetSettings& entry, std::string shownAddr) {
    const std::string port = ":" + std::to_string(entry.Port);
    const TestType type = TestTypeOf(entry.Type);
    if (type == TestType::Pop3 || type == TestType::Smtp) {
        if (entry.Port == DefaultPort(type, entry.Security))
            return shownAddr;
        // Brackets keep the literal's last group from reading as the port.
        if (IsIpv6Literal(shownAddr))
            shownAddr = "[" + shownAddr + "]";
        return shownAddr + port;
    }
    // A port is what tells one TCP target from another on the same host: always shown.
    if (type == TestType::Tcp)
        return (IsIpv6Literal(shownAddr) ? "[" + shownAddr + "]" : shownAddr) + port;
    if (type == TestType::Dns && entry.Record != DnsRecordType::A)
        return shownAddr + " " + std::string(RecordTypeName(entry.Record));
    if (type == TestType::Html && PortOverridesUrl(entry)) {
        // Where the URL would name it: at the end of the authority, which hiding a password
        // leaves in place.
        const std::size_t authority = shownAddr.find(kSchemeMark) + kSchemeMark.size();
        shownAddr.insert(std::min(shownAddr.find_first_of("/\\", authority), shownAddr.size()),
                         port);
    }
    return shownAddr;
}

std::string TargetSettings::ShownName() const {
    return WithUnusualPort(*this, ShownAddr());
}

} // namespace velnorix
