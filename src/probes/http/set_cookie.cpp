#include "probes/http/set_cookie.h"

#include "base/ascii_case.h"
#include "probes/ascii_text.h"
#include "probes/http/decimal_text.h"
#include "probes/http/http_date.h"

namespace velnorix {
namespace {

struct Attribute {
    std::string Name;
    std::optional<std::string> Value;
};

// Walks a field value attribute by attribute; a comma outside quotes and outside an expires
// date starts the next cookie.
class AttributeReader final {
public:
    explicit AttributeReader(std::string_view text) : m_text(text) {}

    [[nodiscard]] bool AtEnd() const { return m_pos >= m_text.size(); }

    // The next attribute; `endsCookie` tells whether a comma (or the end) follows it.
    Attribute Next(bool& endsCookie) {
        Attribute attribute;
        const std::size_t nameEnd = m_text.find_first_of("=;,", m_pos);
        attribute.Name = std::string(TrimLinearWhitespace(m_text.substr(m_pos, nameEnd - m_pos)));
        m_pos = nameEnd;
        if (m_pos < m_text.size() && m_text[m_pos] == '=') {
            ++m_pos;
            attribute.Value = ReadValue(EqualsIgnoringCase(attribute.Name, "expires"));
        }
        endsCookie = m_pos >= m_text.size() || m_text[m_pos] == ',';
        if (m_pos < m_text.size()) {
            ++m_pos; // the separator
        }
        return attribute;
    }

private:
    std::string ReadValue(bool isDate) {
        const std::size_t start = m_pos;
        bool quoted = false;
        for (; m_pos < m_text.size(); ++m_pos) {
            const char c = m_text[m_pos];
            if (c == '"') {
                quoted = !quoted;
            } else if (quoted && c == '\\') {
                ++m_pos;
            } else if (!quoted && c == ';') {
                break;
            } else if (!quoted && c == ',' && !(isDate && OnlyLetters(start, m_pos))) {
                break; // a date's comma follows its weekday name
            }
        }
        m_pos = std::min(m_pos, m_text.size());
        return std::string(TrimLinearWhitespace(m_text.substr(start, m_pos - start)));
    }

    [[nodiscard]] bool OnlyLetters(std::size_t from, std::size_t to) const {
        const std::string_view word = TrimLinearWhitespace(m_text.substr(from, to - from));
        return !word.empty() &&
               word.find_first_not_of("abcdefghijklmnopqrstuvwxyz"
                                      "ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string_view::npos;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

std::string Unquoted(std::string_view value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        return std::string(value.substr(1, value.size() - 2));
    }
    return std::string(value);
}

void ApplyAttribute(const Attribute& attribute, CookieAnnouncement& cookie) {
    const std::string name = ToLowerAscii(attribute.Name);
    const std::string value = Unquoted(attribute.Value.value_or(""));
    if (name == "domain") {
        cookie.Domain = value;
    } else if (name == "path") {
        cookie.Path = value;
    } else if (name == "expires") {
        cookie.Expires = ParseCookieDate(value);
    } else if (name == "max-age") {
        if (const auto seconds = ParseDecimal(value)) {
            cookie.MaxAge = *seconds;
        }
    } else if (name == "port") {
        cookie.Port = value;
    } else if (name == "secure") {
        cookie.Secure = true;
    }
}

} // namespace

std::vector<CookieAnnouncement> ParseSetCookie(std::string_view fieldValue) {
    std::vector<CookieAnnouncement> cookies;
    AttributeReader reader(fieldValue);
    while (!reader.AtEnd()) {
        bool endsCookie = false;
        const Attribute first = reader.Next(endsCookie);
        const bool valid = first.Value.has_value() && !first.Name.empty();
        CookieAnnouncement cookie;
        cookie.Name = first.Name;
        cookie.Value = first.Value.value_or("");
        while (!endsCookie) {
            ApplyAttribute(reader.Next(endsCookie), cookie);
        }
        if (valid) {
            cookies.push_back(std::move(cookie));
        }
    }
    return cookies;
}

} // namespace velnorix
