// The virtual radio on a pseudo-terminal, opened by the host's real serial port.

#include "sim/pty_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "link/radio_protocol.h"
#include "link/transfer_engine.h"
#include "sim/background_radio.h"
#include "sim/default_radio.h"
#include "sim_test_support.h"

namespace vex::sim {
namespace {

std::unique_ptr<BackgroundRadio> RadioOnPty() {
    std::string error;
    auto radio = BackgroundRadio::OnPseudoTerminal(DefaultRadioImage(), error);
    EXPECT_TRUE(radio) << error;
    if (radio) radio->Start();
    return radio;
}

TEST(PtyLine, TheHostsSerialPortTalksToTheRadio) {
    const auto radio = RadioOnPty();
    ASSERT_TRUE(radio);
    const std::string device = radio->DevicePath();
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    {
        // The host's open is still exclusive.
        SerialPort first(device);
        ASSERT_TRUE(first.IsOpen()) << first.OpenFailureHint();
        SerialPort second(device);
        EXPECT_EQ(second.LastError(), static_cast<std::uint32_t>(EBUSY));
    }
    // Operations in a row, each on a port of its own (the real one): the host closes the device
    // in between, which must not end the radio's side.
    TransferEngine engine;
    VirtualCP image;
    EXPECT_EQ(engine.ReadOperation(image, device), LinkStatus::Success);
    EXPECT_EQ(image.m_limits.model, "V480");
    EXPECT_EQ(engine.WriteOperation(image, device), LinkStatus::Success);
    EXPECT_EQ(radio->Radio().Image().m_texts, image.m_texts);
}

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
