#include "link/announced_ports.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "sim_test_support.h"

namespace vex {
namespace {

// Points XDG_RUNTIME_DIR at a folder of its own for the test's length.
class AnnouncedPorts : public ::testing::Test {
  protected:
    AnnouncedPorts() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old;
        setenv("XDG_RUNTIME_DIR", m_runtime.Path().c_str(), 1);
    }
    ~AnnouncedPorts() override {
        if (m_old) {
            setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

    // The pid of a process that has ended (and been reaped).
    static pid_t DeadPid() {
        const pid_t child = fork();
        if (child == 0) _exit(0);
        waitpid(child, nullptr, 0);
        return child;
    }

    sim::test::TempFolder m_runtime;
    std::optional<std::string> m_old;
};

TEST_F(AnnouncedPorts, AnnounceListAndWithdraw) {
    EXPECT_EQ(AnnouncementFolder(), (m_runtime.Path() / "vex480-prg/ports").string());
    EXPECT_TRUE(ListAnnouncedPorts().empty());

    ASSERT_TRUE(AnnouncePort("/dev/pts/42", "/tmp/radio"));
    ASSERT_TRUE(AnnouncePort("/dev/pts/43", ""));  // replaces the first
    auto ports = ListAnnouncedPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].device, "/dev/pts/43");
    EXPECT_EQ(ports[0].link, "");
    EXPECT_EQ(ports[0].pid, getpid());

    WithdrawPort();
    EXPECT_TRUE(ListAnnouncedPorts().empty());
    WithdrawPort();  // twice does no harm
}

TEST_F(AnnouncedPorts, FilesOfEndedProcessesAreRemovedAndOthersLeftAlone) {
    ASSERT_TRUE(AnnouncePort("/dev/pts/9", "/tmp/mine"));
    const std::filesystem::path folder = AnnouncementFolder();
    const pid_t dead = DeadPid();
    std::ofstream(folder / std::to_string(dead)) << "/dev/pts/1\n\n";
    std::ofstream(folder / "1") << "/dev/pts/2\n/tmp/init\n";  // pid 1 always runs
    std::ofstream(folder / "notes.txt") << "not an announcement\n";

    const auto ports = ListAnnouncedPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].device, "/dev/pts/2");  // sorted by device
    EXPECT_EQ(ports[0].link, "/tmp/init");
    EXPECT_EQ(ports[1].device, "/dev/pts/9");
    EXPECT_FALSE(std::filesystem::exists(folder / std::to_string(dead)));
    EXPECT_TRUE(std::filesystem::exists(folder / "notes.txt"));
    WithdrawPort();
}

TEST_F(AnnouncedPorts, AnUnusableFolderIsReportedNotThrown) {
    // The runtime folder is a file: nothing can be made under it.
    const std::string file = m_runtime / "file";
    std::ofstream(file) << "x";
    setenv("XDG_RUNTIME_DIR", file.c_str(), 1);
    EXPECT_FALSE(AnnouncePort("/dev/pts/1", ""));
    EXPECT_TRUE(ListAnnouncedPorts().empty());
    WithdrawPort();
}

}  // namespace
}  // namespace vex
