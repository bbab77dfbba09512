#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

// Caps that keep a hostile server from filling memory; each line is already limited by the
// connection's line length.
struct HeaderLimits {
    std::size_t MaxFields = 256;
    std::size_t MaxTotalBytes = std::size_t{256} * 1024;
};

// The header fields of one response, names compared without regard to letter case.
class ResponseHeaders final {
public:
    explicit ResponseHeaders(HeaderLimits limits = {}) : m_limits(limits) {}

    // One line of the header block. A line beginning with a blank or tab continues the
    // previous field's value (RFC 2616 section 2.2); a line without ":" is a field without
    // a value. Throws HttpError when a cap is passed.
    void AddLine(std::string_view line);

    // The first field of that name, blanks at both ends of the value removed.
    [[nodiscard]] std::optional<std::string> Value(std::string_view name) const;
    [[nodiscard]] std::vector<std::string> Values(std::string_view name) const;
    [[nodiscard]] std::size_t FieldCount() const { return m_fields.size(); }

private:
    struct Field {
        std::string Name;
        std::string Value;
    };

    HeaderLimits m_limits;
    std::vector<Field> m_fields;
    std::size_t m_totalBytes = 0;
};

} // namespace velnorix
