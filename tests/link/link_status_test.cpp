#include "link/link_status.h"

#include <gtest/gtest.h>

#include <string>

namespace vex {
namespace {

TEST(LinkErrorText, BothForms) {
    struct Row {
        std::int32_t code;
        const char* dialog;
        const char* messageBox;  // null: the same as the dialog form
    };
    const Row rows[] = {
        {-14, "Error: Please perform a radio reset or a radio write\n          operation first.",
         "Error: Please perform a radio reset or a radio write operation first."},
        {-13, "Error: Operation Failed (Message Compose).", nullptr},
        {-12, "Error: Operation Failed (User Canceled).", nullptr},
        {-11, "Error: Radio is currently busy. Please try again after a\n          few seconds.",
         "Error: Radio is currently busy. Please try again after a few seconds."},
        {-10, "Error: Operation Failed (Operation Unsupported).", nullptr},
        {-9, "Error: Operation timed out.", nullptr},
        {-8, "Error: Operation Failed.", nullptr},
        {-7, "Error: Operation Failed (Unsupported Command).", nullptr},
        {-6, "Error: Operation Failed (Invalid Opcode).", nullptr},
        {-5, "Error: Radio model is unsupported.", nullptr},
        {-4,
         "Error: The radio version is unsupported. Please upgrade\n          your PRG software.",
         "Error: The radio version is unsupported. Please upgrade your PRG software."},
        {-3,
         "Error: Your radio has an earlier firmware version that\n          does not support the "
         "PRG.",
         "Error: Your radio has an earlier firmware version that does not support the PRG."},
        {-2,
         "Error: Unable to establish a connection with the radio.\n          Please check your "
         "connection and try again.",
         "Error: Unable to establish a connection with the radio. Please check your connection "
         "and try again."},
        {-1, "Error: COM port already in use by another application.", nullptr},
        // Codes without a text of their own: the positive count of an unexpected state reply,
        // Success itself, and anything out of range.
        {7, "Error: Operation Failed (7).", nullptr},
        {1, "Error: Operation Failed (1).", nullptr},
        {0, "Error: Operation Failed (0).", nullptr},
        {-15, "Error: Operation Failed (-15).", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        const LinkStatus status = ToLinkStatus(row.code);
        EXPECT_EQ(LinkErrorText(status, LinkTextForm::Dialog), row.dialog);
        EXPECT_EQ(LinkErrorText(status, LinkTextForm::MessageBox),
                  row.messageBox != nullptr ? row.messageBox : row.dialog);
    }
}

}  // namespace
}  // namespace vex
