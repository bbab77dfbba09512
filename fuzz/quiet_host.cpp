#include "quiet_host.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace velnorix::fuzzing {

std::string QuietDisplay::Line(int index) const {
    return m_lines.at(static_cast<std::size_t>(index));
}

void QuietDisplay::Insert(int index, std::string_view line) {
    if (index < 0 || index > Count())
        PropertyFailed("display insert outside the lines");
    m_lines.insert(m_lines.begin() + index, std::string(line));
}

void QuietDisplay::Delete(int index) {
    if (index < 0 || index >= Count())
        PropertyFailed("display delete outside the lines");
    m_lines.erase(m_lines.begin() + index);
}

void PropertyFailed(const char* what) {
    std::fprintf(stderr, "property failed: %s\n", what);
    std::abort();
}

} // namespace velnorix::fuzzing
