#include "base/utf8_text.h"

namespace velnorix {
namespace {

// The bytes of the character that starts `text` (not empty).
std::size_t FirstCharacterLength(std::string_view text) {
    char32_t codePoint = 0;
    const std::size_t length = Utf8SequenceLength(text, codePoint);
    return length == 0 ? 1 : length;
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view bytes, char32_t& codePoint) {
    if (bytes.empty())
        return 0;
    const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byte(i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3Fu);
    }
    return length;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += FirstCharacterLength(text.substr(at)))
        ++count;
    return count;
}

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    std::size_t at = 0;
    for (; count > 0 && at < text.size(); --count)
        at += FirstCharacterLength(text.substr(at));
    return text.substr(0, at);
}

} // namespace velnorix
