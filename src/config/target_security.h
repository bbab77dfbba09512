#pragma once

#include "engine/run_model.h"

#include <optional>
#include <string>
#include <string_view>

// How a mail target's conversation is protected, as the configuration spells it.
namespace velnorix {

// The mail and TCP probes choose (TCP: TLS or none); a web target's URL scheme decides for it.
bool OffersSecurity(TestType type);

// "None", "TLS", "STARTTLS".
std::string_view SecurityName(TargetSecurity security);

// One of the three names in any letter case; empty text is None. Anything else is nothing.
std::optional<TargetSecurity> SecurityNamed(std::string_view name);

// The protection a key of the file names; throws ConfigurationError naming the key and its
// value when it is none of the three.
TargetSecurity ReadIniSecurity(std::string_view key, const std::string& value);

} // namespace velnorix
