#include "common/strings.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vex {
namespace {

// Lookup is a binary search: an entry out of order or twice is not found as itself.
TEST(StringTableTest, EveryEntryIsFoundByLookup) {
    ASSERT_FALSE(AllStrings().empty());
    for (const auto& entry : AllStrings()) {
        EXPECT_EQ(StringText(entry.id), entry.text) << "id " << entry.id;
        EXPECT_FALSE(entry.text.empty()) << "empty text for id " << entry.id;
    }
}

TEST(StringTableTest, UnknownIdGivesEmptyText) {
    for (int id : {0, -1, 99, 103, 114, 10058, 10142, 65535}) {
        EXPECT_EQ(StringText(id), std::string_view{}) << "id " << id;
        EXPECT_FALSE(HasString(id)) << "id " << id;
    }
}

// Texts whose blanks and line breaks matter where they are shown; the rest of the table is data.
TEST(StringTableTest, TextsKeepTheirLayout) {
    EXPECT_NE(StringText(137).find("deleted.  Also,"), std::string_view::npos);
    EXPECT_EQ(StringText(10161),
              "The following field(s) have been incorrectly specified:\n\n%s\nBy continuing, this "
              "contact will be deleted. Do you want to continue?    ");
}

}  // namespace
}  // namespace vex
