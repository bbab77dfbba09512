#include "probes/http/response_headers.h"

#include "base/ascii_case.h"
#include "probes/ascii_text.h"
#include "probes/http/http_errors.h"

namespace velnorix {

void ResponseHeaders::AddLine(std::string_view line) {
    m_totalBytes += line.size();
    if (m_totalBytes > m_limits.MaxTotalBytes) {
        throw HttpError("Response header block too large");
    }
    const bool continuation = line.starts_with(' ') || line.starts_with('\t');
    if (continuation && !m_fields.empty()) {
        m_fields.back().Value.append(" ").append(TrimLinearWhitespace(line));
        return;
    }
    if (m_fields.size() >= m_limits.MaxFields) {
        throw HttpError("Too many response header fields");
    }
    const auto colon = line.find(':');
    const std::string_view name = TrimLinearWhitespace(line.substr(0, colon));
    const std::string_view value = colon == std::string_view::npos
                                       ? std::string_view()
                                       : TrimLinearWhitespace(line.substr(colon + 1));
    m_fields.push_back({std::string(name), std::string(value)});
}

std::optional<std::string> ResponseHeaders::Value(std::string_view name) const {
    for (const auto& field : m_fields) {
        if (EqualsIgnoringCase(field.Name, name)) {
            return field.Value;
        }
    }
    return std::nullopt;
}

std::vector<std::string> ResponseHeaders::Values(std::string_view name) const {
    std::vector<std::string> values;
    for (const auto& field : m_fields) {
        if (EqualsIgnoringCase(field.Name, name)) {
            values.push_back(field.Value);
        }
    }
    return values;
}

} // namespace velnorix
