#pragma once

// Character conversions and comparisons shared by the image and the profile text.
//
// The radio and the image hold single-byte characters (ISO 8859-1); profile text is UTF-8. A byte
// widens to the code point of the same value; narrowing gives '?' for a code point past U+00FF or
// a malformed UTF-8 sequence.

#include <string>
#include <string_view>

namespace vex {

std::string Latin1ToUtf8(std::string_view latin1);
std::string Utf8ToLatin1(std::string_view utf8);

// Three-way comparison without regard to case: code point by code point, after folding the capital
// letters of ASCII and ISO 8859-1 to small ones. "10" sorts before "9". Negative, 0 or positive.
int CompareUtf8NoCase(std::string_view a, std::string_view b);
int CompareLatin1NoCase(std::string_view a, std::string_view b);

// Replaces, in this order, "&" by "&amp;", "<" by "&lt;", ">" by "&gt;" and '"' by "&quot;".
// The apostrophe and every other character stay as they are.
std::string EscapeXmlText(std::string_view text);

}  // namespace vex
