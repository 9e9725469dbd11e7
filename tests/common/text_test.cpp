#include "common/text.h"

#include <gtest/gtest.h>

namespace vex {
namespace {

TEST(Latin1Utf8, EveryByteRoundTrips) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    const std::string utf8 = Latin1ToUtf8(all);
    EXPECT_EQ(utf8.size(), 127u + 2u * 128u);
    EXPECT_EQ(Utf8ToLatin1(utf8), all);
}

TEST(Latin1Utf8, WhatASingleByteCannotHoldBecomesAQuestionMark) {
    EXPECT_EQ(Utf8ToLatin1("\xE2\x82\xAC"), "?");        // euro sign
    EXPECT_EQ(Utf8ToLatin1("\xF0\x9F\x93\xBB!"), "?!");  // beyond the basic plane
    EXPECT_EQ(Utf8ToLatin1("a\xC3"), "a?");              // cut short
    EXPECT_EQ(Utf8ToLatin1("\xC0\xAF"), "??");           // overlong
    EXPECT_EQ(Utf8ToLatin1("\xED\xA0\x80"), "???");      // a surrogate
}

TEST(CompareNoCase, FoldsCapitalsOfBothAlphabetsOnly) {
    EXPECT_EQ(CompareLatin1NoCase("ABC", "abc"), 0);
    EXPECT_EQ(CompareLatin1NoCase("\xC9", "\xE9"), 0);  // É, é
    EXPECT_NE(CompareLatin1NoCase("\xD7", "\xF7"), 0);  // × is not a capital of ÷
    EXPECT_LT(CompareLatin1NoCase("10", "9"), 0);
    EXPECT_LT(CompareLatin1NoCase("ab", "abc"), 0);
    EXPECT_GT(CompareLatin1NoCase("b", "A"), 0);
    // Capitals fold to small letters, so '_' (between the two alphabets) comes before letters.
    EXPECT_LT(CompareLatin1NoCase("_", "A"), 0);
    EXPECT_EQ(CompareUtf8NoCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0);
    EXPECT_LT(CompareUtf8NoCase("z", "\xC3\xA9"), 0);
    // Both agree on the same text.
    EXPECT_EQ(CompareUtf8NoCase(Latin1ToUtf8("Zo\xEB"), Latin1ToUtf8("zo\xCB")),
              CompareLatin1NoCase("Zo\xEB", "zo\xCB"));
}

TEST(EscapeXmlText, ReplacesTheFourCharactersAmpersandFirst) {
    EXPECT_EQ(EscapeXmlText("&\"<>"), "&amp;&quot;&lt;&gt;");
    EXPECT_EQ(EscapeXmlText("&amp;"), "&amp;amp;");
    EXPECT_EQ(EscapeXmlText("it's\t"), "it's\t");
}

}  // namespace
}  // namespace vex
