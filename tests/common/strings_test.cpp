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

TEST(StringTableTest, ExceptionAndRuleMessagesKeepExactText) {
    EXPECT_EQ(StringText(ids::kFatalError102),
              "Fatal error: 102.\nPlease uninstall and re-install VEX480 PRG.");
    EXPECT_EQ(StringText(ids::kProgramingError107), "Programing error: 107.");
    EXPECT_EQ(StringText(135),
              "Programing error: 135.\nNo available private contacts in the new channel.");
    // Two blanks before "Also" belong to the text.
    EXPECT_NE(StringText(137).find("deleted.  Also,"), std::string_view::npos);
    EXPECT_EQ(StringText(165), "The length of contact name can not exceed %d.");
}

TEST(StringTableTest, LinkErrorsHaveDialogAndMessageBoxForms) {
    // No connection: the dialog form breaks the line and indents by ten blanks.
    EXPECT_EQ(
        StringText(10134),
        "Error: Unable to establish a connection with the radio.\n          Please check your "
        "connection and try again.");
    EXPECT_EQ(
        StringText(10157),
        "Error: Unable to establish a connection with the radio. Please check your connection "
        "and try again.");
    // Reset or write first.
    EXPECT_EQ(StringText(10129),
              "Error: Please perform a radio reset or a radio write\n          operation first.");
    EXPECT_EQ(StringText(10160),
              "Error: Please perform a radio reset or a radio write operation first.");
    // Model unsupported is the same text in both forms.
    EXPECT_EQ(StringText(10130), StringText(10156));
    EXPECT_EQ(StringText(10146), "Error: Operation Failed (%s).");
    EXPECT_EQ(StringText(10147), "Error: Operation Failed (%d).");
    EXPECT_EQ(StringText(10151), "User Canceled");
}

TEST(StringTableTest, LabelsPromptsAndFormatsKeepExactText) {
    EXPECT_EQ(StringText(10161),
              "The following field(s) have been incorrectly specified:\n\n%s\nBy continuing, this "
              "contact will be deleted. Do you want to continue?    ");
    EXPECT_EQ(StringText(10162), "- (Name)\n");
    EXPECT_EQ(StringText(10100), " (%d Group(s) Left)");
    EXPECT_EQ(StringText(162), "Channel %d (%d)");
    EXPECT_EQ(StringText(168), "&OK");
    EXPECT_EQ(StringText(202), ":");
    EXPECT_EQ(StringText(32776), "Read from the radio\nRead");
    EXPECT_EQ(StringText(32773), "Change the name of a tree item");
    EXPECT_EQ(StringText(10118), "Failure to write dealer infomation to the registry!");
}

}  // namespace
}  // namespace vex
