#pragma once

// Profile text as it is kept in files: list order and scrambling.

#include <cstdint>
#include <string>
#include <string_view>

namespace vex {

// Profile files are always written scrambled: every byte XOR this key. Text files that the program
// reads (profiles, schema, rule script) may be plain or scrambled. 0xF5 never occurs in UTF-8, so a
// scrambled file of UTF-8 text holds no NUL byte.
inline constexpr std::uint8_t FileScrambleKey = 0xF5;

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
// Throws CVEXPRGException 105 when the text does not parse or carries a DOCTYPE, 106 when the
// document has no such element.
void SortXMLChildNodes(std::string& text, std::string_view parentName, std::string_view keyName,
                       bool ascending);

// Sorts, ascending, TextMessages by txt, Privates, PublicGroups and PrivateGroups by name: what
// every profile text goes through before it is saved or turned into an image and after it is
// loaded.
void SortProfileLists(std::string& text);

}  // namespace vex
