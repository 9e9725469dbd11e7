// Atomic saves: through links, refusing write-protected files, and cleaning up after killed saves.

#include "common/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/io_helpers.h"

namespace vex {
namespace {

namespace fs = std::filesystem;

class FileIoTest : public ::testing::Test {
  protected:
    std::string Path(const std::string& name) const { return m_dir / name; }
    static void Put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string Get(const std::string& path) {
        std::string text, error;
        EXPECT_TRUE(ReadWholeFile(path, text, error)) << error;
        return text;
    }
    static mode_t Mode(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0);
        return info.st_mode & 07777;
    }

    test::TempFolder m_dir;
};

TEST_F(FileIoTest, SavesThroughALinkAndKeepsTheModeOfTheFile) {
    Put(Path("target.lam"), "old");
    ::chmod(Path("target.lam").c_str(), 0640);
    fs::create_symlink("target.lam", Path("link.lam"));  // relative to the link's folder
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(Path("link.lam"), "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(Path("link.lam")));
    EXPECT_EQ(Get(Path("target.lam")), "new");
    EXPECT_EQ(Mode(Path("target.lam")), 0640u);
}

TEST_F(FileIoTest, AFileWithoutWriteBitsIsWriteProtectedAlsoForRoot) {
    Put(Path("ro.lam"), "old");
    ::chmod(Path("ro.lam").c_str(), 0444);
    std::string error;
    EXPECT_TRUE(IsWriteProtected(Path("ro.lam")));
    EXPECT_FALSE(WriteFileAtomically(Path("ro.lam"), "new", error));
    EXPECT_NE(error.find("write-protected"), std::string::npos) << error;
    EXPECT_EQ(Get(Path("ro.lam")), "old");
    EXPECT_EQ(Mode(Path("ro.lam")), 0444u);
}

TEST_F(FileIoTest, RemovesTemporariesOfKilledSavesButNotOfRunningOnes) {
    Put(Path(".p.lam.AbC123"), "killed");
    Put(Path(".p.lam.XyZ789"), "running");
    const int running = ::open(Path(".p.lam.XyZ789").c_str(), O_RDONLY);
    ASSERT_GE(running, 0);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);
    Put(Path(".other.lam.AbC123"), "another file's");
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(Path("p.lam"), "saved", error)) << error;
    ::close(running);
    EXPECT_FALSE(fs::exists(Path(".p.lam.AbC123")));
    EXPECT_TRUE(fs::exists(Path(".p.lam.XyZ789")));
    EXPECT_TRUE(fs::exists(Path(".other.lam.AbC123")));
}

}  // namespace
}  // namespace vex
