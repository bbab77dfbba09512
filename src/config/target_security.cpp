#include "config/target_security.h"

#include "base/ascii_case.h"

#include <algorithm>
#include <array>

namespace velnorix {
namespace {

constexpr std::array kSecurities = {TargetSecurity::None, TargetSecurity::Tls,
                                    TargetSecurity::StartTls};

} // namespace

bool OffersSecurity(TestType type) {
    return type == TestType::Pop3 || type == TestType::Smtp;
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

} // namespace velnorix
