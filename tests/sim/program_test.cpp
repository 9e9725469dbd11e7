// The vexprg-sim program, run as a child process.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "link/announced_ports.h"
#include "link/radio_protocol.h"
#include "sim/default_radio.h"
#include "sim/profile_file.h"
#include "sim_test_support.h"

namespace vex::sim {
namespace {

using ::testing::HasSubstr;

const std::string kProgram = VEX_BINARY_DIR "/src/vexprg-sim";

// The program as a child process, its output and error on pipes; killed when a failed assertion
// leaves it running.
struct Child {
    pid_t pid = -1;
    int out = -1;
    int err = -1;

    explicit Child(const std::vector<std::string>& args) {
        int o[2];
        int e[2];
        if (pipe2(o, O_CLOEXEC) != 0 || pipe2(e, O_CLOEXEC) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(o[1], STDOUT_FILENO);
            dup2(e[1], STDERR_FILENO);
            std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
            for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(kProgram.c_str(), argv.data());
            _exit(127);
        }
        close(o[1]);
        close(e[1]);
        out = o[0];
        err = e[0];
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        Wait();
    }

    // The exit status, or -1 when the child did not exit normally.
    int Wait() {
        int status = 0;
        waitpid(pid, &status, 0);
        close(out);
        close(err);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

// Everything up to the first newline, or what came before the child closed its output or the
// wait ran out.
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (true) {
        pollfd pfd{fd, POLLIN, 0};
        if (poll(&pfd, 1, 20000) <= 0) break;
        if (read(fd, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    return line;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

class Program : public ::testing::Test {
  protected:
    test::RuntimeFolder m_runtime;
    test::TempFolder m_folder;
};

TEST_F(Program, StartsFromAProfileServesOnItsLinkUntilTerminatedAndLeavesItsState) {
    const std::string link = m_folder / "radio";
    const std::string profile = m_folder / "start.lam";
    const std::string saved = m_folder / "saved.lam";
    std::filesystem::create_symlink("/nowhere", link);  // left by an earlier run
    VirtualCP image = DefaultRadioImage();
    image.m_texts[0] = "From the file";
    std::string error;
    ASSERT_TRUE(SaveRadioProfile(image, profile, error)) << error;

    Child child({"--link", link, "--profile", profile, "--no-pace", "--save", saved});
    ASSERT_GT(child.pid, 0);
    const std::string device = ReadLine(child.out);
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(std::filesystem::read_symlink(link), device);
    const auto announced = ListAnnouncedPorts();
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_EQ(announced[0].device, device);
    EXPECT_EQ(announced[0].link, link);
    EXPECT_EQ(announced[0].pid, child.pid);

    {
        // Through the link, as a user would name the port.
        SerialPort port(link);
        ASSERT_TRUE(port.IsOpen()) << port.OpenFailureHint();
        RadioProtocol protocol(&port);
        Reply reply;
        ASSERT_EQ(protocol.GetTextMessage(0, 0, reply), LinkStatus::Success);
        EXPECT_STREQ(reinterpret_cast<const char*>(reply.data.data()) + 3, "From the file");
        EXPECT_EQ(protocol.ResetRadio(reply), LinkStatus::Success);
    }
    EXPECT_TRUE(std::filesystem::exists(saved));  // saved after the reset, before the exit

    kill(child.pid, SIGTERM);
    const std::string log = ReadAll(child.err);
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_THAT(log, HasSubstr("GetTextMessage [00 00] -> 'I'"));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    EXPECT_TRUE(ListAnnouncedPorts().empty());
    const VirtualCP state = LoadRadioProfile(saved);
    // The reset cleared the user's data and kept the radio's identity.
    EXPECT_TRUE(test::CarriedContacts(state).empty());
    EXPECT_TRUE(test::UsedTexts(state).empty());
    EXPECT_EQ(state.m_settings, RadioSettings{});
    EXPECT_EQ(state.m_version, image.m_version);
    EXPECT_EQ(state.m_limits, image.m_limits);
}

// A file where the link should go is refused and left as it was.
TEST_F(Program, CommandLineConventionsAndAFileWhereTheLinkShouldGo) {
    const std::string file = m_folder / "precious";
    std::ofstream(file) << "keep me";
    const std::string refused = "vexprg-sim: " + file + " exists and is not a symbolic link";
    struct Row {
        std::vector<std::string> args;
        int exit;
        const char* out;  // null: the help text
        const char* err;  // how the error output starts
    };
    const Row rows[] = {
        {{"--help"}, 0, nullptr, ""},
        {{"--version"}, 0, "vexprg-sim 0.1.0\n", ""},
        {{"--qiet"},
         2,
         "",
         "vexprg-sim: unknown option --qiet; did you mean '--quiet'?\ntry 'vexprg-sim --help'\n"},
        {{"--link"}, 2, "", "vexprg-sim: --link needs a value\ntry 'vexprg-sim --help'\n"},
        {{"--quiet", "stray"}, 2, "", "vexprg-sim: unexpected argument stray\n"},
        {{"--fault", "q"}, 2, "", "vexprg-sim: "},
        {{"--pid-after", "soon"}, 2, "", "vexprg-sim: "},
        {{"--link", file, "--quiet"}, 1, "", refused.c_str()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args.front());
        Child child(row.args);
        const std::string out = ReadAll(child.out);
        const std::string err = ReadAll(child.err);
        EXPECT_EQ(child.Wait(), row.exit);
        EXPECT_THAT(err, ::testing::StartsWith(row.err));
        if (row.out != nullptr) {
            EXPECT_EQ(out, row.out);
            continue;
        }
        for (const char* word :
             {"--link", "--profile", "--save", "--no-pace", "--fault", "--pid-after", "--quiet",
              "KIND[:ARG][@COMMAND][/COUNT]", "hangup"}) {
            EXPECT_THAT(out, HasSubstr(word));
        }
    }
    EXPECT_EQ(vex::test::ReadAll(file), "keep me");
}

}  // namespace
}  // namespace vex::sim
