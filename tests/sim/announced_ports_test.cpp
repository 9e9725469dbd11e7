#include "link/announced_ports.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "sim_test_support.h"

namespace vex {
namespace {

class AnnouncedPorts : public ::testing::Test {
  protected:
    sim::test::RuntimeFolder m_runtime;
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

TEST_F(AnnouncedPorts, FilesOfRadiosThatNoLongerRunAreRemovedAndOthersLeftAlone) {
    ASSERT_TRUE(AnnouncePort("/dev/pts/9", "/tmp/mine"));
    const std::filesystem::path folder = AnnouncementFolder();
    const std::string own = std::to_string(getpid());
    std::ifstream in(folder / own);
    std::string device, link, started;
    ASSERT_TRUE(std::getline(in, device) && std::getline(in, link) && std::getline(in, started));
    ASSERT_FALSE(started.empty());

    // A radio killed before it could withdraw, one killed but not yet reaped (a zombie), and
    // one whose pid the system has since given to another process (pid 1, started long before).
    const pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    const pid_t zombie = fork();
    if (zombie == 0) _exit(0);
    siginfo_t info{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(zombie), &info, WEXITED | WNOWAIT), 0);
    std::ofstream(folder / std::to_string(dead)) << "/dev/pts/1\n\n" << started << "\n";
    std::ofstream(folder / std::to_string(zombie)) << "/dev/pts/2\n\n" << started << "\n";
    std::ofstream(folder / "1") << "/dev/pts/3\n/tmp/init\n" << started << "\n";
    std::ofstream(folder / "notes.txt") << "not an announcement\n";
    // Another radio that runs.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t other = fork();
    if (other == 0) {
        const char done = AnnouncePort("/dev/pts/10", "") ? 'y' : 'n';
        (void)!write(ready[1], &done, 1);
        pause();
        _exit(0);
    }
    char done = 0;
    ASSERT_EQ(read(ready[0], &done, 1), 1);
    close(ready[0]);
    close(ready[1]);

    const auto ports = ListAnnouncedPorts();
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
    waitpid(zombie, nullptr, 0);
    EXPECT_EQ(done, 'y');
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].device, "/dev/pts/10");  // sorted by device
    EXPECT_EQ(ports[0].pid, other);
    EXPECT_EQ(ports[1].device, "/dev/pts/9");
    EXPECT_EQ(ports[1].link, "/tmp/mine");
    for (const std::string& name :
         {std::to_string(dead), std::to_string(zombie), std::string("1")}) {
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    }
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
