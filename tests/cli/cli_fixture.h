#pragma once

// The fixture of the command-line tool's tests: the program as a child process, a virtual radio on
// a pseudo-terminal, a scratch folder as the current folder and the configuration.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/background_radio.h"
#include "sim/default_radio.h"
#include "sim/faults.h"
#include "support/files.h"
#include "support/io_helpers.h"

extern char** environ;

namespace vex {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

struct Result {
    int exit = -1;
    std::string out;
    std::string err;
};

using test::ReadAll;

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override { fs::create_directories(m_dir / "config"); }

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

    // A run of the tool and what it must give: the exit status and a part of each output.
    struct Expected {
        std::vector<std::string> args;
        int exit;
        const char* out;
        std::string err;
    };
    // Runs each in turn. Without --verbose no message carries the core's trace lines.
    void ExpectRuns(const std::vector<Expected>& runs) {
        for (const Expected& run : runs) {
            SCOPED_TRACE(::testing::PrintToString(run.args));
            const Result r = Run(run.args);
            EXPECT_EQ(r.exit, run.exit) << r.err;
            EXPECT_THAT(r.out, HasSubstr(run.out));
            EXPECT_THAT(r.err, HasSubstr(run.err));
            if (std::count(run.args.begin(), run.args.end(), "--verbose") == 0) {
                EXPECT_THAT(r.err,
                            Not(ContainsRegex("[(][A-Za-z]+::[A-Za-z]+:[0-9]+[)]|Unknown Error")));
            }
        }
    }

    // An installation (the InstallPath setting) whose model template is the source tree's schema
    // and rule script, with the given "*.lam" files copied from the source tree's V480 template.
    fs::path MakeInstallation(const std::vector<std::string>& models) {
        const fs::path data = Path("install");
        const fs::path folder = data / "ProfileTemplate";
        const fs::path source = fs::path(VEX_SOURCE_DATA_DIR) / "ProfileTemplate";
        fs::create_directories(folder);
        for (const char* file : {"DataProfile.xsd", "DataProfile.lua"})
            fs::copy_file(source / file, folder / file);
        for (const auto& model : models)
            fs::copy_file(source / "V480.lam", folder / (model + ".lam"));
        fs::create_directories(m_dir / "config" / "Kestrion");
        std::ofstream(m_dir / "config" / "Kestrion" / "VEX480 PRG.ini")
            << "[General]\nInstallPath=" << data.string() << "\n";
        return folder;
    }

    // A profile read out of the radio, exported as plain text for editing.
    std::string PlainProfileOfTheRadio() {
        const auto lam = Path("radio.lam").string();
        EXPECT_EQ(Run({"read", "--port", Port(), "-o", lam, "--quiet"}).exit, 0);
        const Result r = Run({"export", lam});
        EXPECT_EQ(r.exit, 0) << r.err;
        return r.out;
    }

    // Runs the tool with stdin from /dev/null; after `interruptAfter`, sends it SIGINT.
    Result Run(std::vector<std::string> args,
               std::chrono::milliseconds interruptAfter = std::chrono::milliseconds::zero()) {
        args.insert(args.begin(), VEX_BINARY_DIR "/src/vexprg-cli");
        std::vector<std::string> env = {"XDG_CONFIG_HOME=" + (m_dir / "config").string(),
                                        "XDG_CONFIG_DIRS=" + (m_dir / "config").string(),
                                        "XDG_RUNTIME_DIR=" + m_dir.string(), "PATH=/usr/bin:/bin"};
        std::vector<char*> argv;
        std::vector<char*> envp;
        for (auto& a : args) argv.push_back(a.data());
        for (auto& e : env) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);

        const fs::path out = Path("stdout.txt");
        const fs::path err = Path("stderr.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, m_dir.c_str());
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

    test::TempFolder m_folder;
    const fs::path m_dir = m_folder.Path();
    std::unique_ptr<sim::BackgroundRadio> m_radio;
};

}  // namespace vex
