#pragma once

#include "alerts/alert_message.h"

#include <string>
#include <string_view>

// The JSON bodies the web channels post.
namespace velnorix {

// The text as a JSON string, quotes included (RFC 8259, section 7). Bytes that are not UTF-8
// become U+FFFD, so a target name in another encoding cannot make the body invalid.
std::string JsonString(std::string_view text);

// {"target", "type", "old", "new", "reason", "time"} for one change; a digest is
// {"title", "changes": [ ... ]}. Ends with a line feed.
std::string WebhookBody(const AlertMessage& message);

// The Alertmanager v2 alert list: per change, a resolved alert for a trouble state left and a
// firing one for a trouble state entered, labelled alertname, target, type and state.
std::string AlertmanagerBody(const AlertMessage& message);

} // namespace velnorix
