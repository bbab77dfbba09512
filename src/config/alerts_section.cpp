#include "config/alerts_section.h"

#include "config/ini_values.h"
#include "config/target_security.h"

#include <string>

namespace velnorix {
namespace {

constexpr std::string_view kMailKey = "Mail";
constexpr std::string_view kMailServerKey = "MailServer";
constexpr std::string_view kMailSecurityKey = "MailSecurity";
constexpr std::string_view kMailUserKey = "MailUser";
constexpr std::string_view kMailPasswordKey = "MailPassword";
constexpr std::string_view kMailFromKey = "MailFrom";
constexpr std::string_view kWebhookKey = "Webhook";
constexpr std::string_view kAlertmanagerKey = "Alertmanager";
constexpr std::string_view kCommandKey = "Command";
constexpr std::string_view kRemindMinsKey = "RemindMins";

// Addresses are written comma-separated; blanks around each are not part of it.
std::vector<std::string> SplitAddresses(const std::string& text) {
    std::vector<std::string> addresses;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::size_t first = text.find_first_not_of(" \t", start);
        const std::size_t last = text.find_last_not_of(" \t", end == 0 ? 0 : end - 1);
        if (first != std::string::npos && first < end && last >= first)
            addresses.push_back(text.substr(first, last - first + 1));
        start = end + 1;
    }
    return addresses;
}

std::string JoinAddresses(const std::vector<std::string>& addresses) {
    std::string text;
    for (const std::string& address : addresses)
        text += (text.empty() ? "" : ",") + address;
    return text;
}

} // namespace

AlertSettings ReadAlertsSection(const IniDocument& document) {
    const auto text = [&](std::string_view key) {
        return document.Read(kAlertsSection, key).value_or(std::string{});
    };
    AlertSettings alerts;
    alerts.Mail = SplitAddresses(text(kMailKey));
    alerts.MailServer = text(kMailServerKey);
    alerts.MailSecurity = ReadIniSecurity(kMailSecurityKey, text(kMailSecurityKey));
    alerts.MailUser = text(kMailUserKey);
    alerts.MailPassword = text(kMailPasswordKey);
    alerts.MailFrom = text(kMailFromKey);
    alerts.Webhook = text(kWebhookKey);
    alerts.Alertmanager = text(kAlertmanagerKey);
    alerts.Command = text(kCommandKey);
    alerts.RemindMins =
        ReadRangedIniInteger(kRemindMinsKey, text(kRemindMinsKey), 0, 0, kMaxRemindMins);
    return alerts;
}

void WriteAlertsSection(IniDocument& document, const AlertSettings& alerts) {
    try {
        if (ReadAlertsSection(document) == alerts)
            return;
    } catch (const ConfigurationError&) {
        // A damaged section is replaced whole.
    }
    document.RemoveSection(kAlertsSection);
    const auto write = [&](std::string_view key, const std::string& value) {
        if (!value.empty())
            document.Write(kAlertsSection, key, value);
    };
    write(kMailKey, JoinAddresses(alerts.Mail));
    write(kMailServerKey, alerts.MailServer);
    if (alerts.MailSecurity != TargetSecurity::None)
        write(kMailSecurityKey, std::string(SecurityName(alerts.MailSecurity)));
    write(kMailUserKey, alerts.MailUser);
    write(kMailPasswordKey, alerts.MailPassword);
    write(kMailFromKey, alerts.MailFrom);
    write(kWebhookKey, alerts.Webhook);
    write(kAlertmanagerKey, alerts.Alertmanager);
    write(kCommandKey, alerts.Command);
    if (alerts.RemindMins != 0)
        write(kRemindMinsKey, FormatIniInteger(alerts.RemindMins));
}

} // namespace velnorix
