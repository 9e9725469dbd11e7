#include "common/text.h"

#include <gtest/gtest.h>

namespace vex {
namespace {

TEST(RadioText, EveryByteRoundTripsAndTheHighRowIsWindows1252) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToRadio(RadioToUtf8(all)), all);
    EXPECT_EQ(RadioToUtf8("\x80uro Bob\x92s"), "\xE2\x82\xACuro Bob\xE2\x80\x99s");
    EXPECT_EQ(RadioToUtf8("\x81\x9D\xE9"), "\xC2\x81\xC2\x9D\xC3\xA9");  // undefined bytes stay
    EXPECT_EQ(Utf8ToRadio("\xE2\x82\xAC\xC5\xB8"), "\x80\x9F");          // €, Ÿ
}

TEST(RadioText, WhatTheRadioCannotHoldBecomesAQuestionMarkAndIsNamed) {
    EXPECT_EQ(Utf8ToRadio("\xE2\x82\xB9"), "?");        // rupee sign
    EXPECT_EQ(Utf8ToRadio("\xF0\x9F\x93\xBB!"), "?!");  // beyond the basic plane
    EXPECT_EQ(Utf8ToRadio("a\xC3"), "a?");              // cut short
    EXPECT_EQ(Utf8ToRadio("\xC0\xAF"), "??");           // overlong
    EXPECT_EQ(Utf8ToRadio("\xED\xA0\x80"), "???");      // a surrogate
    EXPECT_EQ(Utf8ToRadio("\xC2\x80"), "?");            // U+0080: its byte is the euro sign
    EXPECT_EQ(
        CharactersRadioCannotHold("\xE2\x82\xACuro Dave\xF0\x9F\x93\xBB\xF0\x9F\x93\xBB\xC2\x80"),
        (std::u32string{0x1F4FB, 0x80}));
    EXPECT_EQ(CodePointName(0x1F4FB), "U+1F4FB");
    EXPECT_EQ(CodePointName(0x80), "U+0080");
}

TEST(CompareNoCase, FoldsCapitalsOfTheRadioAlphabetOnly) {
    EXPECT_EQ(CompareRadioNoCase("ABC", "abc"), 0);
    EXPECT_EQ(CompareRadioNoCase("\xC9", "\xE9"), 0);  // É, é
    EXPECT_EQ(CompareRadioNoCase("\x8A", "\x9A"), 0);  // Š, š
    EXPECT_EQ(CompareRadioNoCase("\x9F", "\xFF"), 0);  // Ÿ, ÿ
    EXPECT_NE(CompareRadioNoCase("\xD7", "\xF7"), 0);  // × is not a capital of ÷
    EXPECT_LT(CompareRadioNoCase("10", "9"), 0);
    EXPECT_LT(CompareRadioNoCase("ab", "abc"), 0);
    EXPECT_GT(CompareRadioNoCase("b", "A"), 0);
    // Capitals fold to small letters, so '_' (between the two alphabets) comes before letters.
    EXPECT_LT(CompareRadioNoCase("_", "A"), 0);
    EXPECT_EQ(CompareUtf8NoCase("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"), 0);
    EXPECT_LT(CompareUtf8NoCase("z", "\xC3\xA9"), 0);
    // Both agree on the same text.
    const std::string pairs[][2] = {{"Zo\xEB", "zo\xCB"}, {"\x80z", "\x9Fz"}, {"\x8Ax", "\x8Cx"}};
    for (const auto& [a, b] : pairs) {
        EXPECT_EQ(CompareUtf8NoCase(RadioToUtf8(a), RadioToUtf8(b)), CompareRadioNoCase(a, b)) << a;
    }
}

TEST(EscapeXmlText, ReplacesTheFourCharactersAmpersandFirst) {
    EXPECT_EQ(EscapeXmlText("&\"<>"), "&amp;&quot;&lt;&gt;");
    EXPECT_EQ(EscapeXmlText("&amp;"), "&amp;amp;");
    EXPECT_EQ(EscapeXmlText("it's\t"), "it's\t");
}

}  // namespace
}  // namespace vex
