#include "link/serial_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/io_helpers.h"
#include "support/pty.h"

namespace vex {
namespace {

using test::Pty;
using test::ReadAll;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// Waits (at most a second) until the port has n bytes waiting.
bool WaitForQueued(SerialPort& port, std::uint32_t n) {
    const auto start = Clock::now();
    std::uint32_t waiting = 0;
    while (port.ClearErrors(&waiting) && waiting < n && Since(start) < 1s) {
        std::this_thread::sleep_for(5ms);
    }
    return waiting == n;
}

std::int32_t ReadInto(SerialPort& port, std::string& out, std::uint32_t count, bool exact) {
    std::vector<std::uint8_t> buffer(count);
    const std::int32_t n = port.Read(buffer.data(), count, exact);
    out.assign(buffer.begin(), buffer.begin() + std::max(n, 0));
    return n;
}

std::int32_t WriteText(SerialPort& port, const std::string& text) {
    return port.Write(reinterpret_cast<const std::uint8_t*>(text.data()),
                      static_cast<std::uint32_t>(text.size()));
}

pid_t DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Every test gets a lock folder of its own, never the system's.
class SerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(m_pty.Path().empty()) << "openpty failed";
        ::setenv("VEX480_LOCK_DIR", m_lockDir.Path().c_str(), 1);
    }
    void TearDown() override { ::unsetenv("VEX480_LOCK_DIR"); }

    std::filesystem::path LockFile() const { return m_lockDir.Path() / m_pty.LockName(); }

    Pty m_pty;
    test::TempFolder m_lockDir;
};

TEST_F(SerialPortTest, ARaw9600Line8N1CarriesBytesUnchangedAndIsRestoredOnClose) {
    termios before{};
    ASSERT_EQ(::tcgetattr(m_pty.Slave(), &before), 0);
    SerialPort port(m_pty.Path());
    ASSERT_TRUE(port.IsOpen()) << port.OpenFailureHint();
    EXPECT_EQ(port.LastError(), 0U);
    EXPECT_TRUE(port.OpenFailureHint().empty());

    EXPECT_EQ(WriteText(port, std::string("\x9b\x0d\n\x11\x13\0hi", 8)), 8);
    EXPECT_EQ(m_pty.Receive(8), std::string("\x9b\x0d\n\x11\x13\0hi", 8));
    // CR, XON/XOFF, NUL and the interrupt character are data on a raw line.
    const std::string incoming("P\x0d\x11\x13\x03\0\xff", 7);
    m_pty.Send(incoming);
    std::string got;
    EXPECT_EQ(ReadInto(port, got, 7, true), 7);
    EXPECT_EQ(got, incoming);

    termios now{};
    ASSERT_EQ(::tcgetattr(m_pty.Slave(), &now), 0);
    EXPECT_EQ(::cfgetispeed(&now), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetospeed(&now), static_cast<speed_t>(B9600));
    EXPECT_EQ(now.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(now.c_cflag & (PARENB | CSTOPB | CRTSCTS | HUPCL), 0U);
    EXPECT_EQ(now.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(now.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP | INPCK), 0U);
    EXPECT_EQ(now.c_oflag & OPOST, 0U);
    EXPECT_EQ(now.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0U);
    EXPECT_EQ(now.c_cc[VMIN], 0);
    EXPECT_EQ(now.c_cc[VTIME], 1);

    EXPECT_TRUE(port.Close());
    ASSERT_EQ(::tcgetattr(m_pty.Slave(), &now), 0);
    EXPECT_EQ(now.c_lflag, before.c_lflag);
    EXPECT_EQ(now.c_iflag, before.c_iflag);
    EXPECT_EQ(now.c_cflag, before.c_cflag);
}

TEST_F(SerialPortTest, ReadsWaitATenthOfASecondPerByteOnlyWhenExactAndPurgeDropsWhatWaits) {
    SerialPort port(m_pty.Path());
    ASSERT_TRUE(port.IsOpen());
    std::string got;

    auto start = Clock::now();
    EXPECT_EQ(ReadInto(port, got, 1, true), 0);
    EXPECT_GE(Since(start), 80ms);
    EXPECT_LT(Since(start), 1s);
    EXPECT_EQ(port.LastError(), 0U);

    // Bytes with short gaps, then a pause longer than one byte's share: the limit is 300 ms for
    // the whole read, so the pause does not end it.
    std::thread far([&] {
        m_pty.Send("a");
        std::this_thread::sleep_for(30ms);
        m_pty.Send("b");
        std::this_thread::sleep_for(130ms);
        m_pty.Send("c");
    });
    EXPECT_EQ(ReadInto(port, got, 3, true), 3);
    far.join();
    EXPECT_EQ(got, "abc");

    m_pty.Send("x");
    EXPECT_EQ(ReadInto(port, got, 2, true), 1);
    EXPECT_EQ(got, "x");

    // An inexact read takes only what is waiting: one that waited would take 100 ms at least.
    start = Clock::now();
    EXPECT_EQ(ReadInto(port, got, 4, false), 0);
    EXPECT_LT(Since(start), 80ms);

    m_pty.Send("PQ");
    ASSERT_TRUE(WaitForQueued(port, 2));
    EXPECT_EQ(ReadInto(port, got, 4, false), 2);
    EXPECT_EQ(got, "PQ");

    m_pty.Send("stale");
    ASSERT_TRUE(WaitForQueued(port, 5));
    EXPECT_TRUE(port.Purge(purge::kClearInput | purge::kClearOutput));
    std::uint32_t waiting = 99;
    std::uint32_t mask = 99;
    EXPECT_TRUE(port.ClearErrors(&waiting, &mask));
    EXPECT_EQ(waiting, 0U);
    EXPECT_EQ(mask, 0U);
}

TEST_F(SerialPortTest, TransfersEndOnTimeWhenTheLineStalls) {
    SerialPort port(m_pty.Path());
    ASSERT_TRUE(port.IsOpen());
    // Far more than a pseudo-terminal buffers; the master never reads.
    const std::vector<std::uint8_t> flood(4 << 20, 0x55);
    const auto start = Clock::now();
    const std::int32_t written = port.Write(flood.data(), static_cast<std::uint32_t>(flood.size()));
    EXPECT_LT(Since(start), 1s);
    EXPECT_LT(written, static_cast<std::int32_t>(flood.size()));
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ETIMEDOUT));

    // A hang-up ends a read at once (not after 5 s) and is an error, not silence.
    m_pty.CloseMaster();
    std::string got;
    const auto readStart = Clock::now();
    EXPECT_EQ(ReadInto(port, got, 50, true), 0);
    EXPECT_LT(Since(readStart), 1s);
    EXPECT_NE(port.LastError(), 0U);
    EXPECT_TRUE(port.Close());
}

TEST_F(SerialPortTest, AMissingOrWrongDeviceLeavesThePortClosed) {
    const std::string missing = m_lockDir / "ttyNothing";
    SerialPort port(missing);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ENOENT));
    std::uint8_t byte = 0x50;
    EXPECT_EQ(port.Read(&byte, 1, true), 0);
    EXPECT_EQ(port.Write(&byte, 1), 0);
    EXPECT_FALSE(port.Purge(purge::kAll));
    EXPECT_FALSE(port.ClearErrors());
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ENOENT));
    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(port.Close());
    const std::string hint = port.OpenFailureHint();
    EXPECT_NE(hint.find(missing), std::string::npos) << hint;
    EXPECT_NE(hint.find("no such device"), std::string::npos) << hint;

    // A plain file is no serial port, and is left as it was.
    const std::string file = m_lockDir / "not-a-port";
    std::ofstream(file) << "text";
    SerialPort plain(file);
    EXPECT_FALSE(plain.IsOpen());
    EXPECT_EQ(plain.LastError(), static_cast<std::uint32_t>(ENOTTY));
    EXPECT_NE(plain.OpenFailureHint().find("not a serial port"), std::string::npos);
    EXPECT_EQ(ReadAll(file), "text");
}

TEST_F(SerialPortTest, APortInUseIsBusyUntilReleased) {
    {
        SerialPort first(m_pty.Path());
        ASSERT_TRUE(first.IsOpen());
        SerialPort second(m_pty.Path());
        EXPECT_FALSE(second.IsOpen());
        EXPECT_EQ(second.LastError(), static_cast<std::uint32_t>(EBUSY));
        EXPECT_NE(second.OpenFailureHint().find("Another program holds the port"),
                  std::string::npos);
        // The refused open leaves the holder's lock and line alone.
        EXPECT_TRUE(std::filesystem::exists(LockFile()));
        EXPECT_EQ(WriteText(first, "ok"), 2);
        EXPECT_EQ(m_pty.Receive(2), "ok");

        EXPECT_TRUE(first.Close());
        EXPECT_TRUE(first.Close());
        EXPECT_FALSE(std::filesystem::exists(LockFile()));
        SerialPort third(m_pty.Path());
        EXPECT_TRUE(third.IsOpen());
    }

    // A program that only flocks the device, without a lock file.
    const int other = ::open(m_pty.Path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    SerialPort port(m_pty.Path());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(EBUSY));
    EXPECT_FALSE(std::filesystem::exists(LockFile()));
    ::close(other);
}

TEST_F(SerialPortTest, ALockFileHoldsThePortOnlyWhileItsProcessLives) {
    char ours[16];
    std::snprintf(ours, sizeof ours, "%10ld\n", static_cast<long>(::getpid()));
    auto binary = [](pid_t pid) {
        const std::int32_t value = pid;
        return std::string(reinterpret_cast<const char*>(&value), sizeof value);
    };
    const pid_t live = ::getppid();
    const pid_t dead = DeadPid();
    struct Row {
        std::string contents;
        bool held;
    };
    const Row rows[] = {
        {"  " + std::to_string(live) + "\n", true},
        {std::to_string(live) + "\nsome-program\nsome-host\n", true},
        {binary(live), true},
        {"  " + std::to_string(dead) + "\n", false},
        {binary(dead), false},
        {"garbage\n", false},
        {"", false},
        {ours, true},  // another port of this very process
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.contents));
        std::ofstream(LockFile(), std::ios::binary) << row.contents;
        SerialPort port(m_pty.Path());
        EXPECT_EQ(port.IsOpen(), !row.held);
        if (row.held) {
            EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(EBUSY));
            EXPECT_EQ(ReadAll(LockFile()), row.contents);
        } else {
            EXPECT_EQ(ReadAll(LockFile()), ours);
            port.Close();
            EXPECT_FALSE(std::filesystem::exists(LockFile()));
        }
    }

    // Without a writable lock folder the port opens all the same.
    ::setenv("VEX480_LOCK_DIR", (m_lockDir / "missing").c_str(), 1);
    SerialPort unlocked(m_pty.Path());
    EXPECT_TRUE(unlocked.IsOpen());
}

}  // namespace
}  // namespace vex
