#include "config/ini_document.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace velnorix {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kNewLine = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

// The line without its line end and without leading blanks.
std::string_view Content(std::string_view rawLine) {
    if (rawLine.ends_with('\n'))
        rawLine.remove_suffix(1);
    if (rawLine.ends_with('\r'))
        rawLine.remove_suffix(1);
    while (!rawLine.empty() && IsBlank(rawLine.front()))
        rawLine.remove_prefix(1);
    return rawLine;
}

bool IsHeader(std::string_view content) {
    return content.starts_with('[');
}

bool IsBlankOrComment(std::string_view content) {
    return content.empty() || content.front() == ';' || content.front() == '#';
}

std::string_view SectionName(std::string_view content) {
    content.remove_prefix(1);
    return TrimBlanks(content.substr(0, content.find(']')));
}

// The key of a "key=value" line; nothing for blank, comment and other lines.
std::optional<std::string_view> KeyOf(std::string_view content) {
    if (IsBlankOrComment(content))
        return std::nullopt;
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    return TrimBlanks(content.substr(0, equals));
}

void EnsureLineEnd(std::string& rawLine) {
    if (!rawLine.empty() && !rawLine.ends_with('\n'))
        rawLine += kNewLine;
}

std::string KeyLine(std::string_view key, std::string_view value) {
    std::string line;
    line.reserve(key.size() + value.size() + 3);
    line += key;
    line += '=';
    std::copy_if(value.begin(), value.end(), std::back_inserter(line),
                 [](char c) { return c != '\r' && c != '\n'; });
    line += kNewLine;
    return line;
}

} // namespace

IniDocument::IniDocument(std::string_view text) {
    if (text.starts_with(kUtf8ByteOrderMark)) {
        m_byteOrderMark = kUtf8ByteOrderMark;
        text.remove_prefix(kUtf8ByteOrderMark.size());
    }
    m_sections.emplace_back();
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        AddLine(text.substr(0, length));
        text.remove_prefix(length);
    }
}

void IniDocument::AddLine(std::string_view rawLine) {
    const std::string_view content = Content(rawLine);
    if (IsHeader(content)) {
        Section& section = m_sections.emplace_back();
        section.Header = rawLine;
        section.FoldedName = FoldCase(SectionName(content));
        return;
    }
    Section& section = m_sections.back();
    section.Lines.emplace_back(rawLine);
    const std::size_t index = section.Lines.size() - 1;
    if (const auto key = KeyOf(content)) {
        section.FirstKeyLine.try_emplace(FoldCase(*key), index);
        section.KeyLinesEnd = index + 1;
    }
    if (!IsBlankOrComment(content))
        section.ContentEnd = index + 1;
}

IniDocument::Section* IniDocument::Find(std::string_view foldedName) {
    return const_cast<Section*>(std::as_const(*this).Find(foldedName));
}

const IniDocument::Section* IniDocument::Find(std::string_view foldedName) const {
    // The first block holds the lines before any header and has no name to match.
    const auto found = std::find_if(m_sections.begin() + 1, m_sections.end(),
                                    [&](const Section& s) { return s.FoldedName == foldedName; });
    return found == m_sections.end() ? nullptr : &*found;
}

std::optional<std::string> IniDocument::Read(std::string_view section, std::string_view key) const {
    const Section* found = Find(FoldCase(TrimBlanks(section)));
    if (found == nullptr)
        return std::nullopt;
    const auto line = found->FirstKeyLine.find(FoldCase(TrimBlanks(key)));
    if (line == found->FirstKeyLine.end())
        return std::nullopt;
    const std::string_view content = Content(found->Lines[line->second]);
    return std::string(TrimBlanks(content.substr(content.find('=') + 1)));
}

void IniDocument::RemoveSection(std::string_view section) {
    const std::string folded = FoldCase(TrimBlanks(section));
    for (std::size_t i = m_sections.size() - 1; i > 0; --i) {
        Section& removed = m_sections[i];
        if (removed.FoldedName != folded)
            continue;
        std::vector<std::string>& previous = m_sections[i - 1].Lines;
        previous.insert(previous.end(),
                        std::make_move_iterator(removed.Lines.begin() +
                                                static_cast<std::ptrdiff_t>(removed.ContentEnd)),
                        std::make_move_iterator(removed.Lines.end()));
        m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

IniDocument::Section& IniDocument::AppendSection(std::string_view name) {
    // Every line but the file's last already ends in a line break; the last may not.
    std::string* lastLine = nullptr;
    for (auto s = m_sections.rbegin(); s != m_sections.rend() && lastLine == nullptr; ++s) {
        if (!s->Lines.empty())
            lastLine = &s->Lines.back();
        else if (!s->Header.empty())
            lastLine = &s->Header;
    }
    if (lastLine != nullptr) {
        EnsureLineEnd(*lastLine);
        // A blank line keeps the new section apart from what was there.
        if (!Content(*lastLine).empty())
            m_sections.back().Lines.emplace_back(kNewLine);
    }
    Section& section = m_sections.emplace_back();
    section.Header = "[" + std::string(name) + "]" + std::string(kNewLine);
    section.FoldedName = FoldCase(TrimBlanks(name));
    return section;
}

void IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
    Section* target = Find(FoldCase(TrimBlanks(section)));
    if (target == nullptr)
        target = &AppendSection(section);
    std::string folded = FoldCase(TrimBlanks(key));
    const auto existing = target->FirstKeyLine.find(folded);
    if (existing != target->FirstKeyLine.end()) {
        // The value changes; the key keeps the spelling the file gave it.
        std::string& line = target->Lines[existing->second];
        line = KeyLine(*KeyOf(Content(line)), value);
        return;
    }
    const std::size_t at = target->KeyLinesEnd;
    EnsureLineEnd(at == 0 ? target->Header : target->Lines[at - 1]);
    target->Lines.insert(target->Lines.begin() + static_cast<std::ptrdiff_t>(at),
                         KeyLine(key, value));
    target->FirstKeyLine.emplace(std::move(folded), at);
    target->KeyLinesEnd = at + 1;
    target->ContentEnd = std::max(target->ContentEnd, at) + 1;
}

std::string IniDocument::Text() const {
    std::size_t size = m_byteOrderMark.size();
    for (const Section& s : m_sections) {
        size += s.Header.size();
        for (const std::string& line : s.Lines)
            size += line.size();
    }
    std::string text;
    text.reserve(size);
    text += m_byteOrderMark;
    for (const Section& s : m_sections) {
        text += s.Header;
        for (const std::string& line : s.Lines)
            text += line;
    }
    return text;
}

} // namespace velnorix
