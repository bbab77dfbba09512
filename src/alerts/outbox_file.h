#pragma once

#include "alerts/alert_message.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The outbox file's text. Line-based, so a damaged line loses one message, never the file:
//
//   velnorix-outbox 1
//   M <channel> <created> <attempts> <due> <reminder 0|1> <last error>
//   C <type> <name> <old state> <new state> <reason> <time>
//
// Fields are separated by a tab; each C line belongs to the M line above it. Times are seconds
// since 1970. In a field "%" is written %25, tab %09, CR %0D and LF %0A.
namespace velnorix {

struct OutboxEntry {
    std::string Channel;
    AlertMessage Message;
    std::int64_t Created = 0;
    std::int32_t Attempts = 0; // failed so far
    std::int64_t Due = 0;      // the next attempt
    std::string LastError;

    friend bool operator==(const OutboxEntry&, const OutboxEntry&) = default;
};

std::string OutboxText(const std::vector<OutboxEntry>& entries);
// The entries the text holds; a line that cannot be read is skipped with its changes, and an
// entry left without any change is dropped.
std::vector<OutboxEntry> ReadOutboxText(std::string_view text);

} // namespace velnorix
