#include "common/strings.h"

#include <gtest/gtest.h>

#include <set>
#include <string_view>

namespace vex {
namespace {

TEST(StringTableTest, EntriesAreSortedUniqueAndNonEmpty) {
    const auto all = AllStrings();
    ASSERT_FALSE(all.empty());
    std::set<int> seen;
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_TRUE(seen.insert(all[i].id).second) << "duplicate id " << all[i].id;
        EXPECT_FALSE(all[i].text.empty()) << "empty text for id " << all[i].id;
        if (i > 0) {
            EXPECT_LT(all[i - 1].id, all[i].id) << "out of order at index " << i;
        }
    }
}

TEST(StringTableTest, EveryEntryIsFoundByLookup) {
    for (const auto& entry : AllStrings()) {
        EXPECT_EQ(StringText(entry.id), entry.text) << "id " << entry.id;
        EXPECT_TRUE(HasString(entry.id));
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
    // The dialog form of a link error breaks the line and indents by ten blanks; the message box
    // form is one line.
    EXPECT_EQ(StringText(10129),
              "Error: Please perform a radio reset or a radio write\n          operation first.");
    EXPECT_EQ(StringText(10160),
              "Error: Please perform a radio reset or a radio write operation first.");
    EXPECT_NE(StringText(137).find("deleted.  Also,"), std::string_view::npos);
    EXPECT_EQ(StringText(10161),
              "The following field(s) have been incorrectly specified:\n\n%s\nBy continuing, this "
              "contact will be deleted. Do you want to continue?    ");
}

}  // namespace
}  // namespace vex
