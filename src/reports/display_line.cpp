#include "reports/display_line.h"

#include "base/utf8_text.h"

#include <algorithm>

namespace velnorix {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

} // namespace

DisplayLine::DisplayLine(std::string_view bytes)
    : m_length(static_cast<std::int32_t>(bytes.size())) {
    m_text.reserve(bytes.size());
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) {
        m_text.assign(bytes.begin(), bytes.end());
        return;
    }
    m_byteOfUnit.reserve(bytes.size() + 1);
    for (std::size_t at = 0; at < bytes.size();) {
        const auto start = static_cast<std::int32_t>(at);
        char32_t codePoint = 0;
        const std::size_t length = Utf8SequenceLength(bytes.substr(at), codePoint);
        if (length == 0) {
            m_text += kReplacement;
            m_byteOfUnit.push_back(start);
            ++at;
        } else if (codePoint >= 0x10000) {
            const char32_t offset = codePoint - 0x10000;
            m_text += static_cast<char16_t>(0xD800 + (offset >> 10));
            m_text += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
            m_byteOfUnit.insert(m_byteOfUnit.end(), 2, start);
            at += length;
        } else {
            m_text += static_cast<char16_t>(codePoint);
            m_byteOfUnit.push_back(start);
            at += length;
        }
    }
    m_byteOfUnit.push_back(m_length);
}

std::int32_t DisplayLine::UnitOfByte(std::int32_t byteColumn) const {
    byteColumn = std::clamp(byteColumn, 0, m_length);
    if (m_byteOfUnit.empty())
        return byteColumn;
    const auto unit = std::lower_bound(m_byteOfUnit.begin(), m_byteOfUnit.end(), byteColumn);
    return static_cast<std::int32_t>(unit - m_byteOfUnit.begin());
}

std::int32_t DisplayLine::ByteOfUnit(std::int32_t unit) const {
    unit = std::clamp(unit, 0, static_cast<std::int32_t>(m_text.size()));
    return m_byteOfUnit.empty() ? unit : m_byteOfUnit[static_cast<std::size_t>(unit)];
}

std::int32_t DisplayLine::NextByte(std::int32_t byteColumn) const {
    if (m_byteOfUnit.empty())
        return std::clamp(byteColumn + 1, 0, m_length);
    const auto next = std::upper_bound(m_byteOfUnit.begin(), m_byteOfUnit.end(), byteColumn);
    return next == m_byteOfUnit.end() ? m_length : *next;
}

std::int32_t DisplayLine::PreviousByte(std::int32_t byteColumn) const {
    if (m_byteOfUnit.empty())
        return std::clamp(byteColumn - 1, 0, m_length);
    const auto at = std::lower_bound(m_byteOfUnit.begin(), m_byteOfUnit.end(), byteColumn);
    return at == m_byteOfUnit.begin() ? 0 : *std::prev(at);
}

} // namespace velnorix
