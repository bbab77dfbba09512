#include "support/case_names.h"

namespace velnorix::kit {
namespace {

// ASCII only, whatever the locale: test names allow nothing else.
bool IsLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

std::string CaseName(std::string_view text) {
    std::string name;
    bool gap = false;
    for (const char c : text) {
        if (!IsLetterOrDigit(c)) {
            gap = true;
            continue;
        }
        if (gap && !name.empty())
            name += '_';
        gap = false;
        name += c;
    }
    return name.empty() ? "Empty" : name;
}

} // namespace velnorix::kit
