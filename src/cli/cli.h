#pragma once

// Shared pieces of the command-line tool: arguments, exit codes, profile documents, progress
// output.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/usage.h"
#include "codeplug/virtual_cp.h"
#include "common/exception.h"
#include "link/link_status.h"
#include "link/transfer_engine.h"
#include "model/profile_document.h"

namespace vex::cli {

// Exit statuses of every command.
inline constexpr int kExitOk = 0;
// kExitUsage (2): cli/usage.h
inline constexpr int kExitProfile = 3;      // a profile or file error
inline constexpr int kExitDifferences = 4;  // write --verify found differences
inline constexpr int kExitOtherLink = 9;    // a link result without a code of its own

// 0 for Success, 10 + N for the link status -N (N = 1..14), 9 for any other result.
int ExitCodeFor(LinkStatus status);

// A usage error: the message goes to stderr and the tool exits 2.
struct UsageError {
    std::string message;
};

// A profile or file error: the message goes to stderr and the tool exits 3.
struct ProfileError {
    std::string message;
};

// The words of a command line after the command: options (--name VALUE or -o VALUE, stored
// under the long name when there is one), flags and positional arguments.
class Args {
  public:
    Args(std::map<std::string, std::string> values, std::map<std::string, bool> flags,
         std::vector<std::string> positional)
        : m_values(std::move(values)),
          m_flags(std::move(flags)),
          m_positional(std::move(positional)) {}

    bool Has(const std::string& option) const { return m_flags.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
    const std::vector<std::string>& Positional() const { return m_positional; }

    // The single positional argument; a usage error when there is not exactly one.
    const std::string& OnePositional(const char* what) const;
    // No positional argument allowed.
    void NoPositional() const;

  private:
    std::map<std::string, std::string> m_values;
    std::map<std::string, bool> m_flags;
    std::vector<std::string> m_positional;
};

// The port to use: --port, else the CurrentComPort setting.
std::string PortFrom(const Args& args);

// The installation folder: the InstallPath setting, else the data folder of the source tree when
// run from the build tree, else the installed data folder.
std::string InstallFolder();

// The model template folder of the installation: <install>/ProfileTemplate.
std::string TemplateFolder();

// Prints a rule-script error ("Rule script error\nLine: ...") on stderr.
void PrintScriptError(const std::string& text);

// --verbose: errors show their trace lines too.
void SetVerbose(bool verbose);

// The text of an exception for the user: its message id's text and, on a second line, the reason
// (the system's reason for a file that cannot be written, the line of a profile that is wrong);
// "Unknown Error" is left out when there is a reason. With --verbose: the message id's text, then
// every trace line.
std::string MessageOf(const CVEXPRGException& e);

// Runs `step`; a CVEXPRGException from it becomes a ProfileError whose message begins with
// `prefix` (a file name and ": ", or nothing), unless its first line names that file already.
template <class Step>
void AsProfileError(const std::string& prefix, Step&& step) {
    try {
        step();
    } catch (const CVEXPRGException& e) {
        std::string message = MessageOf(e);
        const std::string file = prefix.substr(0, prefix.rfind(": "));
        if (file.empty() || message.substr(0, message.find('\n')).find(file) == std::string::npos)
            message = prefix + message;
        throw ProfileError{std::move(message)};
    }
}

// A ProfileError ("cannot write PATH: REASON") unless a file can be saved at `path`: its folder
// exists and may be written, and it is no folder nor a write-protected file. Checked before a
// radio is read into it.
void CheckOutputWritable(const std::string& path);

// Opens the profile file `path` into `doc` ("PATH: no such file" when there is none), or saves
// `doc` there. Throw ProfileError.
void OpenProfile(ProfileDocument& doc, const std::string& path);
void SaveProfile(ProfileDocument& doc, const std::string& path);

// How CheckWriteLimits treats characters the radio cannot hold: warn (validate, import) or refuse
// unless allowed (a write without --yes).
enum class LimitUse { Warn, Refuse, Allow };

// Checks the profile against the limits the radio enforces (CheckRadioLimits): prints each
// finding on stderr, prefixed with `path`; throws ProfileError when a limit is exceeded, or when
// a character cannot be held and `use` is Refuse.
void CheckWriteLimits(const ProfileDocument& doc, const std::string& path, LimitUse use);

// A usage error when `out` names the same file as `in` (the input would be replaced).
void RefuseOutputThatIsInput(const std::string& in, const std::string& out);

// Prints an operation's progress on stderr (a bar on a terminal, a line per step otherwise) and
// answers a write's warnings from --yes/--no or by asking on the terminal.
class ConsoleObserver : public TransferObserver {
  public:
    enum class Answer { Ask, Yes, No };

    ConsoleObserver(TransferEngine& engine, bool quiet, Answer answer, std::string operation);

    void OnProgress(int percent) override;
    void OnSucceeded() override;
    void OnFailed(LinkStatus status) override;
    void OnWarning(std::int32_t code) override;

  private:
    void EndBar();

    TransferEngine& m_engine;
    bool m_quiet;
    Answer m_answer;
    std::string m_operation;
    bool m_terminal;
    bool m_barShown = false;
};

ConsoleObserver::Answer AnswerFrom(const Args& args);

// How the engine makes its ports: a device opened by name, traced to a file when --trace was
// given. When a port cannot be opened, openFailure receives the system's reason and a hint.
struct PortSetup {
    PortFactory factory;
    std::shared_ptr<std::string> openFailure = std::make_shared<std::string>();
    std::shared_ptr<std::FILE> trace;
};
PortSetup MakePorts(const Args& args);

// Runs an operation on a worker thread while this thread waits for Ctrl-C (or SIGTERM), which
// cancels it. Returns the operation's status.
LinkStatus RunCancellable(TransferEngine& engine, const std::function<LinkStatus()>& operation);

// Prints a failure in the message-box form on stderr (with the port's open failure, if any) and
// returns the exit code.
int ReportLinkResult(LinkStatus status, const PortSetup& ports);

// The commands. Each returns the exit status; usage and profile errors are thrown.
int RunRead(const Args& args);
int RunWrite(const Args& args);
int RunReset(const Args& args);
int RunReadPid(const Args& args);
int RunExport(const Args& args);
int RunImport(const Args& args);
int RunValidate(const Args& args);
int RunPorts(const Args& args);
int RunModels(const Args& args);
int RunNew(const Args& args);
int RunReport(const Args& args);

}  // namespace vex::cli
