// vexprg-cli end to end: the program as a child process against a virtual radio on a
// pseudo-terminal, checking exit codes, messages and files.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/verify.h"
#include "sim/background_radio.h"
#include "sim/default_radio.h"
#include "sim/faults.h"

extern char** environ;

namespace vex {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

struct Result {
    int exit = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("vexcli-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "config");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Starts a virtual radio on a pseudo-terminal; its device is Port().
    sim::BackgroundRadio& StartRadio(VirtualCP image = sim::DefaultRadioImage()) {
        std::string error;
        m_radio = sim::BackgroundRadio::OnPseudoTerminal(std::move(image), error);
        EXPECT_TRUE(m_radio) << error;
        m_radio->Start();
        return *m_radio;
    }
    std::string Port() const { return m_radio->DevicePath(); }
    void AddFault(const char* text) {
        std::string error;
        const auto fault = sim::ParseFault(text, error);
        ASSERT_TRUE(fault) << error;
        m_radio->Server().AddFault(*fault);
    }

    fs::path Path(const std::string& name) const { return m_dir / name; }

    // Runs the tool with stdin from /dev/null; after `interruptAfter`, sends it SIGINT.
    Result Run(std::vector<std::string> args,
               std::chrono::milliseconds interruptAfter = std::chrono::milliseconds::zero()) {
        args.insert(args.begin(), VEX_BINARY_DIR "/src/vexprg-cli");
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        std::vector<std::string> env = {"XDG_CONFIG_HOME=" + (m_dir / "config").string(),
                                        "XDG_CONFIG_DIRS=" + (m_dir / "config").string(),
                                        "XDG_RUNTIME_DIR=" + m_dir.string(), "PATH=/usr/bin:/bin"};
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        const fs::path out = Path("stdout.txt");
        const fs::path err = Path("stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        pid_t pid = 0;
        Result result;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
            ADD_FAILURE() << "cannot start " << argv[0];
            return result;
        }
        posix_spawn_file_actions_destroy(&actions);
        if (interruptAfter.count() > 0) {
            std::this_thread::sleep_for(interruptAfter);
            ::kill(pid, SIGINT);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        result.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = ReadAll(out);
        result.err = ReadAll(err);
        return result;
    }

    fs::path m_dir;
    std::unique_ptr<sim::BackgroundRadio> m_radio;
};

TEST_F(CliTest, ReadsARadioIntoAScrambledProfileThatValidatesAndExports) {
    StartRadio();
    const auto out = Path("radio.lam").string();
    Result r = Run({"read", "--port", Port(), "-o", out, "--quiet"});
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string file = ReadAll(out);
    ASSERT_FALSE(file.empty());
    EXPECT_NE(file.substr(0, 5), "<?xml");  // saved scrambled

    r = Run({"validate", out});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("valid profile"));

    r = Run({"export", out});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("<?xml"));
    EXPECT_THAT(r.out, HasSubstr("model=\"V480\""));

    // export -o then import gives a profile that exports to the same text.
    const auto plain = Path("plain.xml").string();
    const auto again = Path("again.lam").string();
    ASSERT_EQ(Run({"export", out, "-o", plain}).exit, 0);
    ASSERT_EQ(Run({"import", plain, "-o", again}).exit, 0);
    EXPECT_EQ(Run({"export", again}).out, r.out);
}

TEST_F(CliTest, AFailedReadLeavesNoFileAndExitsWithTheLinkCode) {
    StartRadio();
    AddFault("silence");
    const auto out = Path("radio.lam");
    { std::ofstream(out) << "previous"; }
    const Result r = Run({"read", "--port", Port(), "-o", out.string()});
    EXPECT_EQ(r.exit, 12);
    EXPECT_THAT(r.err, HasSubstr("Error: Unable to establish a connection with the radio. Please "
                                 "check your connection and try again."));
    EXPECT_EQ(ReadAll(out), "previous");
    // No temporary files left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 4);
}

TEST_F(CliTest, APortThatCannotBeOpenedSaysWhy) {
    const Result r = Run({"reset", "--port", Path("no-such-device").string()});
    EXPECT_EQ(r.exit, 11);
    EXPECT_THAT(r.err, HasSubstr("Error: COM port already in use by another application."));
    EXPECT_THAT(r.err, HasSubstr("no such device"));
}

TEST_F(CliTest, WriteWarningsAreAnsweredByOptionsOrRefusedWithoutATerminal) {
    // A profile of another radio: the radio being programmed is not in it.
    StartRadio();
    const auto profile = Path("radio.lam").string();
    ASSERT_EQ(Run({"read", "--port", Port(), "-o", profile, "--quiet"}).exit, 0);
    VirtualCP other = sim::DefaultRadioImage();
    other.m_limits.pid = "4321";
    m_radio->Radio().SetImage(other);

    Result r = Run({"write", "--port", Port(), profile, "--no", "--quiet"});
    EXPECT_EQ(r.exit, 22);
    EXPECT_THAT(r.err, HasSubstr("Warning: The radio being programmed is not in this profile."));
    EXPECT_THAT(r.err, HasSubstr("Error: Operation Failed (User Canceled)."));
    EXPECT_EQ(m_radio->Server().Stats().Frames(0x31), 0u);  // no PutContact

    r = Run({"write", "--port", Port(), profile, "--quiet"});
    EXPECT_EQ(r.exit, 22);
    EXPECT_THAT(r.err, HasSubstr("--yes or --no"));

    r = Run({"write", "--port", Port(), profile, "--yes", "--verify", "--quiet"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_GT(m_radio->Server().Stats().Frames(0x31), 0u);
}

TEST_F(CliTest, TraceWritesEveryFrameBothWays) {
    StartRadio();
    const auto trace = Path("trace.txt");
    const Result r = Run({"reset", "--port", Port(), "--trace", trace.string(), "--quiet"});
    EXPECT_EQ(r.exit, 0) << r.err;
    const std::string text = ReadAll(trace);
    EXPECT_THAT(text, HasSubstr("> F2 9B 27 4B"));  // GetLimits
    EXPECT_THAT(text, HasSubstr("< 50 "));          // a reply with its lead-in
    EXPECT_THAT(text, HasSubstr("> F2 9B 37 3B"));  // ResetRadio
}

TEST_F(CliTest, CtrlCCancelsAPrivateIdCapture) {
    StartRadio().Radio().SetPidCapture("1006", std::nullopt);
    const Result r = Run({"read-pid", "--port", Port(), "--quiet"}, std::chrono::milliseconds(800));
    EXPECT_EQ(r.exit, 22);
    EXPECT_THAT(r.err, HasSubstr("User Canceled"));
}

TEST_F(CliTest, ProfileAndUsageErrors) {
    const auto bad = Path("bad.lam");
    { std::ofstream(bad) << "<?xml version=\"1.0\"?><VEXProfile/>"; }
    struct Row {
        std::vector<std::string> args;
        int exit;
        const char* message;
    };
    const Row rows[] = {
        {{"validate", bad.string()}, 3, "Unknown Error"},
        {{"validate", Path("missing.lam").string()}, 3, "No such file"},
        {{"import", bad.string()}, 2, "-o"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"read", "--port"}, 2, "needs a value"},
        {{"write", "--bogus", "x.lam"}, 2, "unknown option"},
        {{"reset"}, 2, "no port"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.front());
        const Result r = Run(row.args);
        EXPECT_EQ(r.exit, row.exit);
        EXPECT_THAT(r.err, HasSubstr(row.message));
    }
}

TEST(Verify, FindsEveryKindOfDifference) {
    const VirtualCP sent = sim::DefaultRadioImage();
    VirtualCP expected = cli::ExpectedAfterWrite(sent, sent.m_limits);
    EXPECT_THAT(cli::Differences(expected, expected), ::testing::IsEmpty());

    VirtualCP radio = expected;
    radio.m_settings.contrast ^= 1;
    radio.m_settings.current_time += 60;  // the clock is not compared
    radio.m_contacts[0].channel ^= 1;
    radio.m_contacts[1] = ContactRecord();  // lost
    radio.m_texts[0] = "changed";
    const auto lines = cli::Differences(expected, radio);
    EXPECT_EQ(lines.size(), 4u);
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("setting contrast")));
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("not in the radio")));
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("text message 1")));
}

}  // namespace
}  // namespace vex
