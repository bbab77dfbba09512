#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velnorix {

// One log line as the view draws it. The file's bytes are decoded as UTF-8, the encoding of
// the program's locale; a byte that starts no valid sequence becomes one replacement
// character, so every character maps back to its own bytes and editing never alters the
// bytes around it.
class DisplayLine final {
public:
    explicit DisplayLine(std::string_view bytes);

    // The characters in UTF-16, as the window system takes them.
    [[nodiscard]] const std::u16string& Text() const { return m_text; }
    // The UTF-16 offset of the character that holds `byteColumn`, clamped to the line.
    [[nodiscard]] std::int32_t UnitOfByte(std::int32_t byteColumn) const;
    // The byte offset where the character at UTF-16 offset `unit` starts, clamped to the line.
    [[nodiscard]] std::int32_t ByteOfUnit(std::int32_t unit) const;
    // Where the next or the previous character starts; the line's ends stop the walk.
    [[nodiscard]] std::int32_t NextByte(std::int32_t byteColumn) const;
    [[nodiscard]] std::int32_t PreviousByte(std::int32_t byteColumn) const;

private:
    std::u16string m_text;
    // Byte offset of every UTF-16 unit plus the line's length; empty when the line is ASCII,
    // where units and bytes coincide.
    std::vector<std::int32_t> m_byteOfUnit;
    std::int32_t m_length = 0;
};

} // namespace velnorix
