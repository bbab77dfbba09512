#include "engine/host.h"

namespace velnorix {

std::string GeneralErrorText(std::string_view message) {
    std::string text(message);
    if (text.empty() || text.back() != '.')
        text += '.';
    return text;
}

} // namespace velnorix
