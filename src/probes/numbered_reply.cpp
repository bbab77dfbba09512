#include "probes/numbered_reply.h"

#include "base/ascii_case.h"
#include "probes/probe_errors.h"

#include <charconv>

namespace velnorix {

namespace {

bool ContinuesReply(std::string_view firstLine) {
    return firstLine.size() > 3 && firstLine[3] == '-';
}

// RFC 5321 4.2.1: the last line of a reply has the code followed by a blank.
bool EndsReply(std::string_view firstLine, std::string_view line) {
    if (line.size() < 4)
        return true;
    return EqualsIgnoringCase(line.substr(0, 3), firstLine.substr(0, 3)) && line[3] == ' ';
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string ReplyTextCode(std::string_view firstLine) {
    std::string_view code = TrimBlanks(firstLine.substr(0, 4));
    if (code.size() == 4 && code.back() == '-')
        code.remove_suffix(1);
    return std::string(code);
}

int ReplyNumericCode(std::string_view textCode) {
    if (!textCode.empty() && textCode.front() == '+')
        textCode.remove_prefix(1);
    int value = 0;
    const auto [end, error] =
        std::from_chars(textCode.data(), textCode.data() + textCode.size(), value);
    if (textCode.empty() || error != std::errc() || end != textCode.data() + textCode.size())
        return 0;
    return value;
}

std::string JoinReplyText(const NumberedReply& reply) {
    std::string text;
    for (std::size_t i = 0; i < reply.Text.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += reply.Text[i];
    }
    return text;
}

ReplyCollector::ReplyCollector(std::size_t maxBytes, std::size_t maxLines)
    : m_maxBytes(maxBytes), m_maxLines(maxLines) {}

bool ReplyCollector::Add(std::string_view line) {
    if (m_complete)
        return true;
    m_bytes += line.size() + 1;
    ++m_linesSeen;
    if (m_bytes > m_maxBytes || m_linesSeen > m_maxLines) {
        throw ProbeError("Reply exceeds " + std::to_string(m_maxLines) + " lines or " +
                         std::to_string(m_maxBytes) + " bytes.");
    }
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty())
        return false;
    m_lines.emplace_back(trimmed);
    const std::string& first = m_lines.front();
    m_complete = m_lines.size() == 1 ? !ContinuesReply(first) : EndsReply(first, trimmed);
    return m_complete;
}

NumberedReply ReplyCollector::Reply() const {
    NumberedReply reply;
    if (m_lines.empty())
        return reply;
    reply.TextCode = ReplyTextCode(m_lines.front());
    reply.NumericCode = ReplyNumericCode(reply.TextCode);
    for (const std::string& line : m_lines)
        reply.Text.push_back(line.size() > 4 ? line.substr(4) : std::string());
    return reply;
}

} // namespace velnorix
