#pragma once

#include <cstddef>
#include <string_view>

// Counting and cutting text by characters rather than bytes. Text is UTF-8, the encoding of
// the program's locale; a byte that starts no valid sequence counts as one character, as the
// log view shows it as one replacement character.
namespace velnorix {

// The length of the well-formed UTF-8 sequence at the start of `bytes` (RFC 3629, section 4)
// with its code point in `codePoint`, or 0 when there is none. Overlong forms, surrogates and
// values past U+10FFFF are refused.
std::size_t Utf8SequenceLength(std::string_view bytes, char32_t& codePoint);

std::size_t CharacterCount(std::string_view text);

// The first `count` characters of `text`, or all of it when it has fewer; a multi-byte
// character is kept whole or left out, never split.
std::string_view FirstCharacters(std::string_view text, std::size_t count);

} // namespace velnorix
