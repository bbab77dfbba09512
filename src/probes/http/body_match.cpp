#include "probes/http/body_match.h"

namespace velnorix {

BodyPattern::BodyPattern(const std::string& pattern)
    : m_pattern(pattern, std::regex::ECMAScript | std::regex::optimize) {}

bool BodyPattern::FoundIn(std::string_view body) const {
    return std::regex_search(body.begin(), body.end(), m_pattern);
}

} // namespace velnorix
