#pragma once

#include "engine/run_model.h"

#include <cstdint>
#include <optional>
#include <string_view>

// How a mail target's conversation is protected, as the configuration spells it.
namespace velnorix {

// Only the mail probes choose; a web target's URL scheme decides for it.
bool OffersSecurity(TestType type);

// The usual port of a type spoken with that protection: POP3 110 / 995 / 110, SMTP 25 / 465 /
// 587 (message submission, where STARTTLS is the norm) for None / TLS / STARTTLS. The other
// types keep their one default.
std::int32_t DefaultPort(TestType type, TargetSecurity security);

// "None", "TLS", "STARTTLS".
std::string_view SecurityName(TargetSecurity security);

// One of the three names in any letter case; empty text is None. Anything else is nothing.
std::optional<TargetSecurity> SecurityNamed(std::string_view name);

} // namespace velnorix
