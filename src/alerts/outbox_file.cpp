#include "alerts/outbox_file.h"

#include <charconv>
#include <utility>

namespace velnorix {
namespace {

constexpr std::string_view kHeader = "velnorix-outbox 1";

std::string Escaped(std::string_view field) {
    std::string text;
    for (const char c : field) {
        switch (c) {
        case '%':
            text += "%25";
            break;
        case '\t':
            text += "%09";
            break;
        case '\r':
            text += "%0D";
            break;
        case '\n':
            text += "%0A";
            break;
        default:
            text += c;
        }
    }
    return text;
}

std::string Unescaped(std::string_view field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        const std::string_view code = field.substr(i + 1, 2);
        if (field[i] == '%' && code.size() == 2) {
            const char decoded = code == "25"   ? '%'
                                 : code == "09" ? '\t'
                                 : code == "0D" ? '\r'
                                 : code == "0A" ? '\n'
                                                : '\0';
            if (decoded != '\0') {
                text += decoded;
                i += 2;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(Unescaped(line.substr(start, tab - start)));
        if (tab == std::string_view::npos)
            return fields;
        start = tab + 1;
    }
}

template <typename Number>
bool ReadNumber(const std::string& text, Number& number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

std::string Line(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields)
        line += (line.empty() ? "" : "\t") + Escaped(field);
    return line + "\n";
}

bool ReadChange(const std::vector<std::string>& fields, AlertChange& change) {
    if (fields.size() != 7)
        return false;
    const auto oldState = StateNamed(fields[3]);
    const auto newState = StateNamed(fields[4]);
    if (!oldState || !newState || !ReadNumber(fields[6], change.Time))
        return false;
    change.Type = fields[1];
    change.Name = fields[2];
    change.Old = *oldState;
    change.New = *newState;
    change.Reason = fields[5];
    return true;
}

bool ReadEntry(const std::vector<std::string>& fields, OutboxEntry& entry) {
    if (fields.size() != 7 || (fields[5] != "0" && fields[5] != "1"))
        return false;
    entry.Channel = fields[1];
    entry.Message.Reminder = fields[5] == "1";
    entry.LastError = fields[6];
    return ReadNumber(fields[2], entry.Created) && ReadNumber(fields[3], entry.Attempts) &&
           ReadNumber(fields[4], entry.Due);
}

} // namespace

std::string OutboxText(const std::vector<OutboxEntry>& entries) {
    std::string text = std::string(kHeader) + "\n";
    for (const OutboxEntry& entry : entries) {
        text +=
            Line({"M", entry.Channel, std::to_string(entry.Created), std::to_string(entry.Attempts),
                  std::to_string(entry.Due), entry.Message.Reminder ? "1" : "0", entry.LastError});
        for (const AlertChange& change : entry.Message.Changes)
            text += Line({"C", change.Type, change.Name, std::string(StateName(change.Old)),
                          std::string(StateName(change.New)), change.Reason,
                          std::to_string(change.Time)});
    }
    return text;
}

std::vector<OutboxEntry> ReadOutboxText(std::string_view text) {
    std::vector<OutboxEntry> entries;
    bool inEntry = false;
    bool firstLine = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (std::exchange(firstLine, false)) {
            if (line != kHeader)
                return {}; // another program's file, or a later format: not ours to read
            continue;
        }
        const std::vector<std::string> fields = Fields(line);
        if (fields[0] == "M") {
            OutboxEntry entry;
            inEntry = ReadEntry(fields, entry);
            if (inEntry)
                entries.push_back(std::move(entry));
        } else if (fields[0] == "C" && inEntry) {
            AlertChange change;
            if (ReadChange(fields, change))
                entries.back().Message.Changes.push_back(std::move(change));
        }
    }
    std::erase_if(entries, [](const OutboxEntry& e) { return e.Message.Changes.empty(); });
    return entries;
}

} // namespace velnorix
