#include "cli/console_display.h"

#include <algorithm>
#include <stdexcept>

namespace velnorix {

std::string ConsoleDisplay::Line(int index) const {
    if (index < 0)
        throw std::out_of_range("display line index out of range");
    return m_lines.At(static_cast<std::size_t>(index));
}

void ConsoleDisplay::Add(std::string_view line) {
    m_lines.PushBack(std::string(line));
}

void ConsoleDisplay::Insert(int index, std::string_view line) {
    if (index < 0 || index > Count())
        throw std::out_of_range("display line index out of range");
    m_lines.Insert(static_cast<std::size_t>(index), std::string(line));
    // Only the cycle inserts; its one-space separator line is not worth printing.
    if (line != " ") {
        if (m_status != nullptr)
            m_status->Erase();
        std::fwrite(line.data(), 1, line.size(), m_out);
        std::fputc('\n', m_out);
        std::fflush(m_out);
    }
}

void ConsoleDisplay::InsertResult(int index, std::string_view line, std::string_view reason) {
    Insert(index, line);
    if (m_reasons == nullptr || reason.empty())
        return;
    std::fprintf(m_reasons, "   reason: %.*s\n", static_cast<int>(reason.size()), reason.data());
    std::fflush(m_reasons);
}

void ConsoleDisplay::Delete(int index) {
    if (index < 0 || index >= Count())
        throw std::out_of_range("display line index out of range");
    m_lines.Erase(static_cast<std::size_t>(index));
}

void ConsoleStatus::SetText(std::string_view text) {
    m_text = std::string(text);
    if (!m_show)
        return;
    // The window centres the text with a leading tab; a terminal line has no use for tabs.
    std::string shown = m_text;
    std::replace(shown.begin(), shown.end(), '\t', ' ');
    std::fprintf(m_terminal, "\r\033[K%s", shown.c_str());
    std::fflush(m_terminal);
    m_shown = true;
}

void ConsoleStatus::Erase() {
    if (!m_shown)
        return;
    m_shown = false;
    std::fputs("\r\033[K", m_terminal);
    std::fflush(m_terminal);
}

} // namespace velnorix
