// The limits a radio enforces, checked on a profile before a write.

#include "codeplug/write_limits.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "model/fixtures/model_test_support.h"

namespace vex {
namespace {

using ::testing::HasSubstr;

TEST(CheckRadioLimits, NamesEveryEntryAndLimitTheRadioWouldRefuse) {
    struct Row {
        const char* what;
        std::size_t slot;  // a contact of SmallImage, or a text slot when `text`
        bool text;
        std::string value;
        LimitFinding::Kind kind;
        const char* message;  // empty: no finding
    };
    const Row rows[] = {
        {"fits", 5, false, std::string(20, 'n'), LimitFinding::Kind::Limit, ""},
        {"long name", 5, false, std::string(21, 'n'), LimitFinding::Kind::Limit,
         "Private 'nnnnnnnnnnnnnnnnnnnnn' (1002): 21 characters; the radio takes at most 20"},
        {"blank name", 3, false, "  ", LimitFinding::Kind::Limit, "no name"},
        {"same name", 7, false, "bOB", LimitFinding::Kind::Limit,
         "the same name as Private 'Bob' (1002)"},
        {"euro", 7, false,
         "\xE2\x82\xAC"
         "uro",
         LimitFinding::Kind::Limit, ""},
        {"radio", 7, false, "Dave\xF0\x9F\x93\xBB", LimitFinding::Kind::Character,
         "U+1F4FB '\xF0\x9F\x93\xBB'"},
        {"long text", 1, true, std::string(81, 't'), LimitFinding::Kind::Limit,
         "81 characters; the radio takes at most 80"},
        {"text of 80", 1, true, std::string(80, 't'), LimitFinding::Kind::Limit, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        // The image holds radio bytes: the value goes into the profile text as the user wrote it.
        VirtualCP image = test::SmallImage();
        (row.text ? image.m_texts[row.slot] : image.m_contacts[row.slot].name) = "PLACEHOLDER";
        std::string text = test::ProfileText(image);
        const auto at = text.find("PLACEHOLDER");
        ASSERT_NE(at, std::string::npos);
        text.replace(at, 11, row.value);
        const auto findings = CheckRadioLimits(text);
        if (*row.message == '\0') {
            EXPECT_TRUE(findings.empty()) << findings.front().message;
            continue;
        }
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_EQ(findings[0].kind, row.kind);
        EXPECT_THAT(findings[0].message, HasSubstr(row.message));
        EXPECT_EQ(AnyLimitExceeded(findings), row.kind == LimitFinding::Kind::Limit);
    }
}

}  // namespace
}  // namespace vex
