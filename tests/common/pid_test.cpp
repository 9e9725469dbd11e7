#include "common/pid.h"

#include <gtest/gtest.h>

#include <limits>

#include "common/exception.h"

namespace vex {
namespace {

TEST(PidToInt64, FollowsTheDecimalConversionRules) {
    struct Row {
        const char* text;
        std::int64_t value;
    };
    const Row rows[] = {
        {"", 0},
        {"0", 0},
        {"17179869183", 17179869183},
        {"  \t42", 42},
        {"+7", 7},
        {"-7", -7},
        {"12ab34", 12},
        {"- 5", 0},  // the sign must touch the digits
        {"++5", 0},
        {"0005", 5},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"9223372036854775808", std::numeric_limits<std::int64_t>::max()},
        {"99999999999999999999999", std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
        {"-99999999999999999999999", std::numeric_limits<std::int64_t>::min()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(PidToInt64(row.text), row.value);
    }
}

TEST(PidDifference, GivesTheDecimalDifferenceOrNothing) {
    struct Row {
        const char* a;
        const char* b;
        const char* difference;
    };
    const Row rows[] = {
        {"17179869183", "17179869183", "0"},
        {"17179869183", "17179869084", "99"},
        {"10", "9", "1"},
        {"9", "10", ""},  // the first is the smaller
        {"", "1", ""},
        {"1", "", ""},
        {"12a", "1", ""},
        {" 12", "1", ""},
        {"-1", "-2", ""},
        {"99999999999999999999", "1", ""},  // past 64 bits
        {"0017", "7", "10"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.a) + " - " + row.b);
        EXPECT_EQ(PidDifference(row.a, row.b), row.difference);
    }
}

TEST(CVEXPRGException, EachLayerAddsOneTraceLine) {
    try {
        try {
            throw CVEXPRGException(105, "CDataItem::SortXMLChildNodes", 12, "bad text");
        } catch (CVEXPRGException& e) {
            e.AddContext("CVEXPRGDoc::GetVirtualCPData", 189, "Exception Caught");
            throw;
        }
    } catch (const CVEXPRGException& e) {
        EXPECT_EQ(e.MessageId(), 105);
        EXPECT_EQ(e.Context(),
                  "\n(CDataItem::SortXMLChildNodes:12) bad text"
                  "\n(CVEXPRGDoc::GetVirtualCPData:189) Exception Caught");
        return;
    }
    FAIL() << "no exception";
}

}  // namespace
}  // namespace vex
