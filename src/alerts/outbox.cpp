#include "alerts/outbox.h"

#include "alerts/delivery_schedule.h"
#include "base/atomic_file.h"
#include "base/text_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>

namespace velnorix {
namespace {

// Far more than a day of messages; a larger file is not one this program wrote.
constexpr off_t kLargestOutboxFile = off_t{16} * 1024 * 1024;

std::string OutboxFileText(const std::string& path) {
    // Non-blocking, so that a named pipe in place of the file cannot stall the worker.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_size > kLargestOutboxFile)
        return {};
    return ReadToEnd(file, path, static_cast<std::size_t>(info.st_size));
}

} // namespace

std::string OutboxPath(const std::string& logFolder) {
    return logFolder + "/velnorix-outbox.txt";
}

Outbox::Outbox(std::string path) : m_path(std::move(path)) {
    try {
        m_entries = ReadOutboxText(OutboxFileText(m_path));
    } catch (const FileError&) {
        // Unreadable: the messages in it are lost, new ones are still kept.
    }
}

void Outbox::Add(const std::string& channel, const AlertMessage& message, std::int64_t now) {
    m_entries.push_back({channel, message, now, 0, now, {}});
    ReplaceTextFile(m_path, OutboxText(m_entries));
}

std::size_t Outbox::DeliverDue(const std::vector<AlertChannel*>& channels, std::int64_t now) {
    std::size_t delivered = 0;
    std::set<std::string> failed;
    bool dropped = false;
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        const auto channel = std::find_if(channels.begin(), channels.end(), [&](AlertChannel* c) {
            return c->Name() == entry->Channel;
        });
        if (channel == channels.end() || now - entry->Created >= kGiveUpAfterSeconds) {
            entry = m_entries.erase(entry);
            dropped = true;
            continue;
        }
        if (entry->Due > now || failed.contains(entry->Channel)) {
            ++entry;
            continue;
        }
        const DeliveryResult result = (*channel)->Deliver(entry->Message);
        if (result.Delivered) {
            entry = m_entries.erase(entry);
            ++delivered;
        } else {
            failed.insert(entry->Channel);
            ++entry->Attempts;
            entry->Due = now + RetryDelaySeconds(entry->Attempts);
            entry->LastError = result.Reason;
            ++entry;
        }
        // After each attempt, so a crash does not send a delivered message twice.
        Save();
    }
    if (dropped)
        Save();
    return delivered;
}

std::optional<std::int64_t> Outbox::NextDue() const {
    if (m_entries.empty())
        return std::nullopt;
    return std::min_element(
               m_entries.begin(), m_entries.end(),
               [](const OutboxEntry& a, const OutboxEntry& b) { return a.Due < b.Due; })
        ->Due;
}

void Outbox::Save() {
    try {
        ReplaceTextFile(m_path, OutboxText(m_entries));
    } catch (const FileError&) {
        // The messages are still held in memory and the next change writes them again.
    }
}

} // namespace velnorix
