#pragma once

#include "alerts/alert_channel.h"
#include "alerts/outbox_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velnorix {

// The outbox's file in the log folder.
std::string OutboxPath(const std::string& logFolder);

// Messages not yet delivered, kept in a file so they survive a restart: every change is
// written (atomically, readable by its owner only) before any delivery is tried. A message is
// tried again after RetryDelaySeconds until it is delivered or kGiveUpAfterSeconds old. Used
// by one thread at a time.
class Outbox final {
public:
    // Loads what the file holds; a missing or unreadable file is an empty outbox.
    explicit Outbox(std::string path);

    // Files the message for the channel, due at once. Throws FileError when it cannot be
    // written; the message is kept in memory all the same.
    void Add(const std::string& channel, const AlertMessage& message, std::int64_t now);
    // Tries every due message with its channel, in the order they came; after a failure a
    // channel's later messages wait for its next attempt. A message of no channel in
    // `channels`, or past its age, is dropped. Returns how many were delivered.
    std::size_t DeliverDue(const std::vector<AlertChannel*>& channels, std::int64_t now);

    // When the earliest message is due; nothing when the outbox is empty.
    [[nodiscard]] std::optional<std::int64_t> NextDue() const;
    [[nodiscard]] const std::vector<OutboxEntry>& Entries() const { return m_entries; }

private:
    // Writes the file; a failure is kept for the next change rather than thrown on.
    void Save();

    std::string m_path;
    std::vector<OutboxEntry> m_entries;
};

} // namespace velnorix
