#pragma once

// Character conversions and comparisons shared by the image and the profile text.
//
// The radio and the image hold single-byte characters in the Windows-1252 code page (ISO 8859-1
// with printable characters in 0x80-0x9F: the euro sign, typographic quotes, dashes); profile text
// is UTF-8. The five bytes that code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) widen to
// the C1 control of the same value, so every byte a radio may hold comes back unchanged through
// the profile text. Narrowing gives '?' for a character the code page has no byte for, or for a
// malformed UTF-8 sequence.

#include <string>
#include <string_view>

namespace vex {

std::string RadioToUtf8(std::string_view radioBytes);
std::string Utf8ToRadio(std::string_view utf8);

// The characters of `utf8` that a radio cannot hold (Utf8ToRadio would turn them into '?'), each
// once, in the order they first occur; U+FFFD stands for a malformed sequence.
std::u32string CharactersRadioCannotHold(std::string_view utf8);

// "U+20AC" for a code point, with at least four hex digits.
std::string CodePointName(char32_t c);

// Three-way comparison without regard to case: code point by code point, after folding the capital
// letters of ASCII, ISO 8859-1 and the Windows-1252 additions (Š, Œ, Ž, Ÿ) to small ones. "10"
// sorts before "9". Negative, 0 or positive. The radio form compares as its UTF-8 text would.
int CompareUtf8NoCase(std::string_view a, std::string_view b);
int CompareRadioNoCase(std::string_view a, std::string_view b);

// Replaces, in this order, "&" by "&amp;", "<" by "&lt;", ">" by "&gt;" and '"' by "&quot;".
// The apostrophe and every other character stay as they are.
std::string EscapeXmlText(std::string_view text);

}  // namespace vex
