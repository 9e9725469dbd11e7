#include "link/link_status.h"

#include <gtest/gtest.h>

#include <string>

#include "support/io_helpers.h"

namespace vex {
namespace {

TEST(LinkErrorText, BothForms) {
    const auto rows = test::FixtureLines(__FILE__, "link_error_texts.txt");
    EXPECT_EQ(rows.size(), 18u);
    for (const std::string& row : rows) {
        SCOPED_TRACE(row);
        const auto first = row.find('|');
        const auto second = row.find('|', first + 1);
        std::string dialog = row.substr(first + 1, second - first - 1);
        for (auto at = dialog.find("\\n"); at != std::string::npos; at = dialog.find("\\n", at)) {
            dialog.replace(at, 2, "\n");
        }
        const LinkStatus status = ToLinkStatus(std::stoi(row.substr(0, first)));
        EXPECT_EQ(LinkErrorText(status, LinkTextForm::Dialog), dialog);
        EXPECT_EQ(LinkErrorText(status, LinkTextForm::MessageBox),
                  second == std::string::npos ? dialog : row.substr(second + 1));
    }
}

}  // namespace
}  // namespace vex
