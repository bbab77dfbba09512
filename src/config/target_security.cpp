#include "config/target_security.h"

#include "base/ascii_case.h"
#include "config/ini_values.h"

#include <algorithm>
#include <array>

namespace velnorix {
namespace {

constexpr std::array kSecurities = {TargetSecurity::None, TargetSecurity::Tls,
                                    TargetSecurity::StartTls};

} // namespace

bool OffersSecurity(TestType type) {
    return type == TestType::Pop3 || type == TestType::Smtp || type == TestType::Tcp;
}

std::string_view SecurityName(TargetSecurity security) {
    switch (security) {
    case TargetSecurity::Tls:
        return "TLS";
    case TargetSecurity::StartTls:
        return "STARTTLS";
    case TargetSecurity::None:
        break;
    }
    return "None";
}

std::optional<TargetSecurity> SecurityNamed(std::string_view name) {
    if (name.empty())
        return TargetSecurity::None;
    const auto named = std::find_if(kSecurities.begin(), kSecurities.end(), [name](auto security) {
        return EqualsIgnoringCase(name, SecurityName(security));
    });
    if (named == kSecurities.end())
        return std::nullopt;
    return *named;
}

TargetSecurity ReadIniSecurity(std::string_view key, const std::string& value) {
    if (const auto security = SecurityNamed(value))
        return *security;
    throw ConfigurationError("Ini file sets " + std::string(key) + " to \"" + value +
                             "\"; it must be None, TLS or STARTTLS");
}

} // namespace velnorix
