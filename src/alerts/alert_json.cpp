#include "alerts/alert_json.h"

#include "base/utf8_text.h"

#include <array>

namespace velnorix {
namespace {

// A firing alert is kept this long unless it is resolved or reminded of sooner; without it
// Alertmanager would resolve a long outage by itself after its resolve_timeout.
constexpr std::int64_t kFiringHoldSeconds = 24LL * 3600;
constexpr std::string_view kAlertName = "VelnorixTargetDown";

std::string ChangeObject(const AlertChange& change) {
    return "{\"target\":" + JsonString(change.Name) + ",\"type\":" + JsonString(change.Type) +
           ",\"old\":" + JsonString(StateName(change.Old)) +
           ",\"new\":" + JsonString(StateName(change.New)) +
           ",\"reason\":" + JsonString(change.Reason) +
           ",\"time\":" + JsonString(UtcTimestamp(change.Time)) + "}";
}

std::string ManagerAlert(const AlertChange& change, TargetState state, bool resolved) {
    std::string alert = "{\"labels\":{\"alertname\":" + JsonString(kAlertName) +
                        ",\"target\":" + JsonString(change.Name) +
                        ",\"type\":" + JsonString(change.Type) +
                        ",\"state\":" + JsonString(StateName(state)) +
                        "},\"annotations\":{\"summary\":" + JsonString(ChangeLine(change)) +
                        ",\"reason\":" + JsonString(change.Reason) + "}";
    if (resolved)
        // startsAt must not follow endsAt, and the original start is not known here.
        return alert + ",\"startsAt\":" + JsonString(UtcTimestamp(change.Time - 1)) +
               ",\"endsAt\":" + JsonString(UtcTimestamp(change.Time)) + "}";
    return alert + ",\"startsAt\":" + JsonString(UtcTimestamp(change.Time)) +
           ",\"endsAt\":" + JsonString(UtcTimestamp(change.Time + kFiringHoldSeconds)) + "}";
}

} // namespace

std::string JsonString(std::string_view text) {
    static constexpr std::array<char, 16> kHex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                  '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    std::string json = "\"";
    while (!text.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceLength(text, codePoint);
        if (length == 0) {
            json += "\\ufffd";
            text.remove_prefix(1);
            continue;
        }
        if (codePoint == U'"' || codePoint == U'\\') {
            json += '\\';
            json += static_cast<char>(codePoint);
        } else if (codePoint < 0x20 || codePoint == 0x7f) {
            json += "\\u00";
            json += kHex[(codePoint >> 4U) & 0xfU];
            json += kHex[codePoint & 0xfU];
        } else {
            json.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return json + "\"";
}

std::string WebhookBody(const AlertMessage& message) {
    if (message.Changes.size() == 1)
        return ChangeObject(message.Changes.front()) + "\n";
    std::string changes;
    for (const AlertChange& change : message.Changes)
        changes += (changes.empty() ? "" : ",") + ChangeObject(change);
    return "{\"title\":" + JsonString(AlertTitle(message)) + ",\"changes\":[" + changes + "]}\n";
}

std::string AlertmanagerBody(const AlertMessage& message) {
    std::string alerts;
    const auto add = [&](const std::string& alert) {
        alerts += (alerts.empty() ? "" : ",") + alert;
    };
    for (const AlertChange& change : message.Changes) {
        if (IsTrouble(change.Old) && change.Old != change.New)
            add(ManagerAlert(change, change.Old, true));
        if (IsTrouble(change.New))
            add(ManagerAlert(change, change.New, false));
    }
    return "[" + alerts + "]\n";
}

} // namespace velnorix
