#include "settings/port_list.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "link/announced_ports.h"
#include "support/io_helpers.h"
#include "support/pty.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Devices(const std::vector<PortEntry>& ports) {
    std::vector<std::string> devices;
    for (const PortEntry& port : ports) devices.push_back(port.device);
    return devices;
}

TEST(SortPortList, PlainTextOrderWithoutDuplicates) {
    const std::vector<PortEntry> sorted = SortPortList({{"COM2", "b"},
                                                        {"COM10", ""},
                                                        {"COM1", "first"},
                                                        {"/dev/ttyUSB0", ""},
                                                        {"COM1", "second"}});
    EXPECT_EQ(Devices(sorted), (std::vector<std::string>{"/dev/ttyUSB0", "COM1", "COM10", "COM2"}));
    EXPECT_EQ(sorted[1].description, "first");
}

TEST(SelectCurrentPort, MatchesIgnoringCaseElseTheFirst) {
    const std::vector<PortEntry> ports = {{"/dev/ttyS0", ""}, {"COM1", ""}, {"COM10", ""}};
    EXPECT_EQ(SelectCurrentPort(ports, "com10"), 2);
    EXPECT_EQ(SelectCurrentPort(ports, "COM1"), 1);
    EXPECT_EQ(SelectCurrentPort(ports, "COM"), 0);           // no prefix match
    EXPECT_EQ(SelectCurrentPort(ports, "/dev/ttyUSB0"), 0);  // an adapter since removed
    EXPECT_EQ(SelectCurrentPort(ports, ""), 0);
    EXPECT_EQ(SelectCurrentPort({}, "COM1"), -1);
}

// Announces a pseudo-terminal of this process as a virtual radio, in a runtime folder of its own.
class AnnouncedPortTest : public ::testing::Test {
  protected:
    void TearDown() override { WithdrawPort(); }

    test::RuntimeFolder m_runtime;
    test::Pty m_pty;
    const std::string m_device = m_pty.Path();
};

TEST_F(AnnouncedPortTest, TheListOffersARunningVirtualRadioUnderItsLinkIfItHasOne) {
    ASSERT_TRUE(AnnouncePort(m_device, ""));
    const PortEntry entry{m_device, "virtual radio (pid " + std::to_string(getpid()) + ")"};
    const std::vector<PortEntry> ports = ListSerialPorts();
    EXPECT_NE(std::find(ports.begin(), ports.end(), entry), ports.end());
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end(),
                               [](const auto& a, const auto& b) { return a.device < b.device; }));
    EXPECT_EQ(ports, SortPortList(ports));  // nothing twice

    WithdrawPort();
    const std::vector<PortEntry> after = ListSerialPorts();
    EXPECT_EQ(std::find(after.begin(), after.end(), entry), after.end());

    const fs::path link = m_runtime.Path() / "vexradio";
    fs::create_symlink(m_device, link);
    ASSERT_TRUE(AnnouncePort(m_device, link.string()));
    const std::vector<std::string> devices = Devices(ListSerialPorts());
    EXPECT_NE(std::find(devices.begin(), devices.end(), link.string()), devices.end());
    EXPECT_EQ(std::find(devices.begin(), devices.end(), m_device), devices.end());
}

}  // namespace
}  // namespace vex
