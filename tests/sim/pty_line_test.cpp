// The virtual radio's side of a pseudo-terminal.

#include "sim/pty_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

namespace vex::sim {
namespace {

TEST(PtyLine, NothingTheRadioWritesComesBackToIt) {
    std::string error;
    const auto line = PtyLine::Open(error);
    ASSERT_TRUE(line) << error;
    // Before any host has set the line up, the radio's bytes must not be echoed.
    const std::uint8_t bytes[] = {'P', 0xF2, 0x41, 0x50, 0x7C, '\r', '\n'};
    ASSERT_TRUE(line->Write(bytes));
    EXPECT_FALSE(line->ReadByte(std::chrono::milliseconds(50)));

    // A host that writes and closes: the radio gets the bytes, then simply nothing.
    const int fd = open(line->DevicePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "\x01\x02", 2), 2);
    close(fd);
    EXPECT_EQ(line->ReadByte(std::chrono::milliseconds(500)), 0x01);
    EXPECT_EQ(line->ReadByte(std::chrono::milliseconds(500)), 0x02);
    EXPECT_FALSE(line->ReadByte(std::chrono::milliseconds(50)));
    EXPECT_FALSE(line->IsHungUp());
}

}  // namespace
}  // namespace vex::sim
