#pragma once

#include "config/ini_document.h"
#include "engine/configuration.h"

#include <string_view>

// The section "Alerts" of the configuration file: where state changes are sent.
namespace velnorix {

inline constexpr std::string_view kAlertsSection = "Alerts";
// The longest first reminder: a week.
inline constexpr std::int32_t kMaxRemindMins = 10'080;

// The alert settings the document holds; a missing section is all off. Throws
// ConfigurationError naming the key and its value for a MailSecurity that is none of None, TLS
// and STARTTLS, or a RemindMins not from 0 to kMaxRemindMins.
AlertSettings ReadAlertsSection(const IniDocument& document);

// Rewrites the section from `alerts`, each key only when set. When the document already holds
// exactly these settings it is left alone, so a file without alerts keeps its bytes.
void WriteAlertsSection(IniDocument& document, const AlertSettings& alerts);

} // namespace velnorix
