#pragma once

// Profile text as it is kept in files: list order and scrambling.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vex {

// Profile files are always written scrambled: every byte XOR this key. Text files that the program
// reads (profiles, schema, rule script) may be plain or scrambled. 0xF5 never occurs in UTF-8, so a
// scrambled file of UTF-8 text holds no NUL byte.
inline constexpr std::uint8_t FileScrambleKey = 0xF5;

// No profile text is larger: a full profile (every contact with every parent group, every text
// message at its longest) is under 100 KB, so 2 MiB leaves room for any hand-edited layout and
// comments, while a larger text is refused before it is parsed. Files are not read past it.
inline constexpr std::size_t kMaxProfileTextSize = 2u << 20;

// Nor does any profile hold more nodes (elements, attributes, comments, processing instructions):
// a full one has about 800 elements with 2,000 attributes. The parser stops at the first node past
// this, so that a text under the size cap that is all markup is refused in the time of parsing a
// fraction of it, and the schema check never has more than this many faults to report.
inline constexpr std::size_t kMaxProfileNodes = 30000;

// The detail for a text or file above kMaxProfileTextSize.
std::string ProfileTooLargeReason(std::size_t size);

// The beginning of a plain XML file.
inline constexpr std::string_view kXmlFileStart = "<?xml";

// XOR with FileScrambleKey; the same call unscrambles.
void Scramble(std::string& text);

// Unscrambles text unless its first bytes equal `plainStart` without regard to case.
void UnscrambleUnlessBeginsWith(std::string& text, std::string_view plainStart);

// Re-orders the children of the first element named `parentName` by their attribute `keyName`,
// compared as text without regard to case ("10" before "9"). Children with equal keys keep their
// order; a child without the key (or a comment) sorts as the empty text. The text is replaced by
// the re-serialised document (UTF-8, without the separators of freshly written profile text).
//
// Throws CVEXPRGException 105 when the text is larger than kMaxProfileTextSize, does not parse or
// carries a DOCTYPE, 106 when the document has no such element. Linear in the text apart from the
// n log n sort of each list.
void SortXMLChildNodes(std::string& text, std::string_view parentName, std::string_view keyName,
                       bool ascending);

// Sorts, ascending, TextMessages by txt, Privates, PublicGroups and PrivateGroups by name: what
// every profile text goes through before it is saved or turned into an image and after it is
// loaded.
void SortProfileLists(std::string& text);

}  // namespace vex
