#include "engine/failure_reason.h"

#include "base/utf8_text.h"

namespace velnorix {
namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

} // namespace

std::string FailureReason(std::string_view errorText) {
    std::string folded;
    folded.reserve(errorText.size());
    bool inControls = false;
    for (const char c : errorText) {
        if (!IsControl(c))
            folded += c;
        else if (!inControls)
            folded += ' ';
        inControls = IsControl(c);
    }
    const std::size_t first = folded.find_first_not_of(' ');
    if (first == std::string::npos)
        return "Error without a description";
    const std::string_view text =
        std::string_view(folded).substr(first, folded.find_last_not_of(' ') - first + 1);
    return std::string(FirstCharacters(text, kReasonCharacters));
}

} // namespace velnorix
