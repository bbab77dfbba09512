#include "reports/log_text.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace velnorix {
namespace {

constexpr auto kMaxLines = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

bool HoldsFailure(std::string_view line) {
    return line.find(kFailureText) != std::string_view::npos;
}

// Splits at LF, dropping a CR before it: the layout of the files the engine writes.
std::vector<std::string_view> SplitFileLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    const char* begin = bytes.data();
    const char* const end = begin + bytes.size();
    while (true) {
        const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', end - begin));
        if (lf == nullptr)
            break;
        const char* lineEnd = lf > begin && lf[-1] == '\r' ? lf - 1 : lf;
        lines.emplace_back(begin, lineEnd - begin);
        begin = lf + 1;
        if (lines.size() == kMaxLines)
            throw std::length_error("The file has too many lines to display");
    }
    lines.emplace_back(begin, end - begin);
    return lines;
}

// Splits typed or pasted text, where any of CR LF, LF and CR may end a line.
std::vector<std::string> SplitInsertedLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

} // namespace

std::vector<std::int32_t> FailureColumns(std::string_view line) {
    std::vector<std::int32_t> columns;
    for (auto at = line.find(kFailureText); at != std::string_view::npos;
         at = line.find(kFailureText, at + kFailureText.size()))
        columns.push_back(static_cast<std::int32_t>(at));
    return columns;
}

LogText::LogText() : LogText(std::string()) {}

LogText::LogText(std::string bytes) : m_storage(std::make_unique<Storage>()) {
    m_storage->FileBytes = std::move(bytes);
    m_lines = SplitFileLines(m_storage->FileBytes);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        m_widestLine = std::max(m_widestLine, m_lines[i].size());
        if (HoldsFailure(m_lines[i]))
            m_failureLines.push_back(static_cast<std::int32_t>(i));
    }
}

TextPosition LogText::End() const {
    const std::int32_t last = LineCount() - 1;
    return {last, static_cast<std::int32_t>(m_lines[last].size())};
}

TextPosition LogText::Clamp(TextPosition position) const {
    if (position.Line < 0)
        return {0, 0};
    if (position.Line >= LineCount())
        return End();
    const auto length = static_cast<std::int32_t>(m_lines[position.Line].size());
    return {position.Line, std::clamp(position.Column, 0, length)};
}

std::string LogText::TextBetween(TextPosition a, TextPosition b) const {
    a = Clamp(a);
    b = Clamp(b);
    if (b < a)
        std::swap(a, b);
    if (a.Line == b.Line)
        return std::string(m_lines[a.Line].substr(a.Column, b.Column - a.Column));
    std::string text(m_lines[a.Line].substr(a.Column));
    for (std::int32_t line = a.Line + 1; line < b.Line; ++line) {
        text += '\n';
        text += m_lines[line];
    }
    text += '\n';
    text += m_lines[b.Line].substr(0, b.Column);
    return text;
}

TextPosition LogText::Replace(TextPosition a, TextPosition b, std::string_view text) {
    a = Clamp(a);
    b = Clamp(b);
    if (b < a)
        std::swap(a, b);
    std::vector<std::string> lines = SplitInsertedLines(text);
    const std::size_t lastLength = lines.back().size();
    lines.front().insert(0, m_lines[a.Line].substr(0, a.Column));
    lines.back() += m_lines[b.Line].substr(b.Column);

    const auto added = static_cast<std::int32_t>(lines.size()) - 1;
    const TextPosition end{
        a.Line + added, static_cast<std::int32_t>(added == 0 ? a.Column + lastLength : lastLength)};
    ReplaceLines(a.Line, b.Line - a.Line + 1, std::move(lines));
    return end;
}

void LogText::ReplaceLines(std::int32_t first, std::int32_t count, std::vector<std::string> lines) {
    std::vector<std::string_view> views;
    views.reserve(lines.size());
    for (std::string& line : lines) {
        m_widestLine = std::max(m_widestLine, line.size());
        views.emplace_back(m_storage->EditedLines.emplace_back(std::move(line)));
    }
    const auto begin = m_lines.begin() + first;
    m_lines.erase(begin, begin + count);
    m_lines.insert(m_lines.begin() + first, views.begin(), views.end());

    // Failures before the edit stay, those in the replaced lines go, those after it shift.
    const auto shift = static_cast<std::int32_t>(views.size()) - count;
    const auto from = std::lower_bound(m_failureLines.begin(), m_failureLines.end(), first);
    const auto to = std::lower_bound(from, m_failureLines.end(), first + count);
    std::for_each(to, m_failureLines.end(), [shift](std::int32_t& line) { line += shift; });
    std::vector<std::int32_t> inserted;
    for (std::size_t i = 0; i < views.size(); ++i)
        if (HoldsFailure(views[i]))
            inserted.push_back(first + static_cast<std::int32_t>(i));
    const auto at = m_failureLines.erase(from, to);
    m_failureLines.insert(at, inserted.begin(), inserted.end());
}

} // namespace velnorix
