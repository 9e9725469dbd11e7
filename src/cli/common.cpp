#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>
#include <vector>

#include "cli/cli.h"
#include "cli/trace_port.h"
#include "codeplug/write_limits.h"
#include "common/exception.h"
#include "common/file_io.h"
#include "common/strings.h"
#include "settings/settings_store.h"

namespace vex::cli {

int ExitCodeFor(LinkStatus status) {
    const std::int32_t code = ToInt(status);
    if (code == 1) return kExitOk;
    if (code >= -14 && code <= -1) return 10 - code;
    return kExitOtherLink;
}

std::optional<std::string> Args::Value(const std::string& option) const {
    const auto it = m_values.find(option);
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

const std::string& Args::OnePositional(const char* what) const {
    if (m_positional.size() != 1) throw UsageError{std::string("expected one ") + what};
    return m_positional.front();
}

void Args::NoPositional() const {
    if (!m_positional.empty()) throw UsageError{"unexpected argument " + m_positional.front()};
}

std::string PortFrom(const Args& args) {
    if (auto port = args.Value("--port")) {
        // A name without a slash is a file of the current folder when there is one (a pty link a
        // script made, say), else a device in /dev.
        if (port->find('/') == std::string::npos && ::access(port->c_str(), F_OK) == 0) {
            return "./" + *port;
        }
        return *port;
    }
    std::string port = GetCurrentComPort();
    if (port.empty()) throw UsageError{"no port: give --port DEV or set CurrentComPort"};
    return port;
}

std::string InstallFolder() {
    return GetInstallPath(VEX_SOURCE_DATA_DIR);
}

std::string TemplateFolder() {
    return InstallFolder() + "/" + kTemplateFolderName;
}

void PrintScriptError(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

namespace {

bool g_verbose = false;

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

// The reason an exception's trace gives: the detail of its last line that is not a "caught" note
// (with the lines that continue it), from its "Desc: " line on when it has one, without the
// "File=" line (the caller names the file).
std::string ReasonOf(const std::string& context) {
    std::vector<std::string> entry;
    std::vector<std::string> reason;
    auto close = [&] {
        if (entry.empty() || entry.front() == "Exception Catched" ||
            entry.front() == "Exception Caught") {
            return;
        }
        reason.clear();
        for (const std::string& line : entry) {
            if (StartsWith(line, "Desc: ")) {
                reason.clear();
                reason.push_back(line.substr(6));
            } else if (!StartsWith(line, "File=") && !line.empty()) {
                reason.push_back(line);
            }
        }
    };
    std::istringstream lines(context);
    for (std::string line; std::getline(lines, line);) {
        // A trace line: "(function:line) detail".
        const std::size_t end = line.find(") ");
        if (StartsWith(line, "(") && end != std::string::npos) {
            close();
            entry.assign(1, line.substr(end + 2));
        } else {
            entry.push_back(line);
        }
    }
    close();
    std::string text;
    for (const std::string& line : reason) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

void SetVerbose(bool verbose) {
    g_verbose = verbose;
}

std::string MessageOf(const CVEXPRGException& e) {
    const std::string_view found = StringText(e.MessageId());
    const std::string text =
        found.empty() ? "Error " + std::to_string(e.MessageId()) : std::string(found);
    if (g_verbose) return text + e.Context();
    const std::string reason = ReasonOf(e.Context());
    if (reason.empty()) return text;
    if (e.MessageId() == ids::kUnknownError) return reason;
    return text + "\n" + reason;
}

void OpenProfile(ProfileDocument& doc, const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) {
        throw ProfileError{path + ": no such file"};
    }
    AsProfileError(path + ": ", [&] { doc.Open(path); });
}

void SaveProfile(ProfileDocument& doc, const std::string& path) {
    AsProfileError(path + ": ", [&] { doc.Save(path); });
}

void CheckWriteLimits(const ProfileDocument& doc, const std::string& path, LimitUse use) {
    std::vector<LimitFinding> findings;
    AsProfileError(path + ": ", [&] { findings = CheckRadioLimits(doc.ProfileText()); });
    bool refused = false;
    for (const LimitFinding& finding : findings) {
        const bool stops = finding.kind == LimitFinding::Kind::Limit || use == LimitUse::Refuse;
        refused = refused || stops;
        std::fprintf(stderr, "%s: %s%s\n", path.c_str(),
                     stops ? "" : "warning: ", finding.message.c_str());
    }
    if (!refused) return;
    if (AnyLimitExceeded(findings)) {
        throw ProfileError{path + ": the radio would refuse this profile; nothing was written"};
    }
    throw ProfileError{path +
                       ": the radio cannot hold every character; nothing was written (--yes "
                       "sends '?' in their place)"};
}

void CheckOutputWritable(const std::string& path) {
    std::string target = path;
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    std::error_code error;
    if (exists) target = std::filesystem::canonical(path, error).string();
    if (error) target = path;
    auto refuse = [&](const std::string& reason) {
        throw ProfileError{"cannot write " + path + ": " + reason};
    };
    if (exists && S_ISDIR(info.st_mode)) refuse(std::strerror(EISDIR));
    if (exists && IsWriteProtected(target)) refuse("the file is write-protected");
    std::string folder = std::filesystem::path(target).parent_path().string();
    if (folder.empty()) folder = ".";
    struct stat folderInfo {};
    if (::stat(folder.c_str(), &folderInfo) != 0) refuse(std::strerror(errno));
    if (!S_ISDIR(folderInfo.st_mode)) refuse(std::strerror(ENOTDIR));
    if (::access(folder.c_str(), W_OK | X_OK) != 0) refuse(std::strerror(errno));
}

void RefuseOutputThatIsInput(const std::string& in, const std::string& out) {
    std::error_code error;
    if (std::filesystem::equivalent(in, out, error)) {
        throw UsageError{"the output " + out + " is the input " + in + "; give another -o"};
    }
}

ConsoleObserver::ConsoleObserver(TransferEngine& engine, bool quiet, Answer answer,
                                 std::string operation)
    : m_engine(engine),
      m_quiet(quiet),
      m_answer(answer),
      m_operation(std::move(operation)),
      m_terminal(::isatty(STDERR_FILENO) != 0) {}

void ConsoleObserver::OnProgress(int percent) {
    if (m_quiet) return;
    if (m_terminal) {
        constexpr int kWidth = 40;
        const int filled = percent * kWidth / 100;
        std::fprintf(stderr, "\r%s [%s%s] %3d%%", m_operation.c_str(),
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(), percent);
        m_barShown = true;
    } else {
        std::fprintf(stderr, "%s: %d%%\n", m_operation.c_str(), percent);
    }
    std::fflush(stderr);
}

void ConsoleObserver::EndBar() {
    if (m_barShown) std::fputc('\n', stderr);
    m_barShown = false;
}

void ConsoleObserver::OnSucceeded() {
    if (m_quiet) return;
    OnProgress(100);
    EndBar();
}

void ConsoleObserver::OnFailed(LinkStatus) {
    EndBar();
}

void ConsoleObserver::OnWarning(std::int32_t code) {
    EndBar();
    const char* text =
        code == warning::kNotInProfile
            ? "Warning: The radio being programmed is not in this profile. Do you want to "
              "continue?"
        : code == warning::kUnsupported
            ? "Warning: Some profile information is not supported by the host radio and "
              "therefore it will not be transferred. Do you want to continue?"
            : nullptr;
    if (text == nullptr) {
        std::fprintf(stderr, "Unknown Warning!\n");
        m_engine.AnswerWarning(true);
        return;
    }
    std::fprintf(stderr, "%s\n", text);
    bool proceed = false;
    if (m_answer == Answer::Yes) {
        proceed = true;
    } else if (m_answer == Answer::Ask && ::isatty(STDIN_FILENO) != 0) {
        std::fprintf(stderr, "Continue? [y/N] ");
        std::fflush(stderr);
        std::string line;
        proceed = static_cast<bool>(std::getline(std::cin, line)) && !line.empty() &&
                  (line[0] == 'y' || line[0] == 'Y');
    } else if (m_answer == Answer::Ask) {
        std::fprintf(stderr, "No terminal to ask: stopping (answer with --yes or --no).\n");
    }
    m_engine.AnswerWarning(proceed);
}

ConsoleObserver::Answer AnswerFrom(const Args& args) {
    if (args.Has("--yes") && args.Has("--no"))
        throw UsageError{"--yes and --no exclude each other"};
    if (args.Has("--yes")) return ConsoleObserver::Answer::Yes;
    if (args.Has("--no")) return ConsoleObserver::Answer::No;
    return ConsoleObserver::Answer::Ask;
}

LinkStatus RunCancellable(TransferEngine& engine, const std::function<LinkStatus()>& operation) {
    // The worker inherits a mask with SIGINT and SIGTERM blocked; this thread takes them.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &stops, &previous);

    engine.ClearCancel();
    std::atomic<bool> done{false};
    LinkStatus status = LinkStatus::Success;
    std::thread worker([&] {
        status = operation();
        done.store(true);
    });
    const timespec tick{0, 50'000'000};
    while (!done.load()) {
        if (sigtimedwait(&stops, nullptr, &tick) > 0) {
            engine.RequestCancel();
            std::fprintf(stderr, "\nNote: Canceling the operation...\n");
        }
    }
    worker.join();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return status;
}

PortSetup MakePorts(const Args& args) {
    PortSetup setup;
    if (auto path = args.Value("--trace")) {
        std::FILE* file = std::fopen(path->c_str(), "w");
        if (file == nullptr) {
            throw ProfileError{"cannot write " + *path + ": " + std::strerror(errno)};
        }
        setup.trace.reset(file, &std::fclose);
    }
    setup.factory = [failure = setup.openFailure,
                     trace = setup.trace](std::string_view name) -> std::unique_ptr<SerialPort> {
        auto port = std::make_unique<SerialPort>(name);
        if (!port->IsOpen()) *failure = port->OpenFailureHint();
        if (trace) return std::make_unique<TracingPort>(std::move(port), trace.get());
        return port;
    };
    return setup;
}

int ReportLinkResult(LinkStatus status, const PortSetup& ports) {
    if (status == LinkStatus::PortUnavailable && !ports.openFailure->empty()) {
        // The real cause, when the port could not be opened, instead of "already in use".
        std::fprintf(stderr, "Error: %s\n", ports.openFailure->c_str());
    } else if (status != LinkStatus::Success) {
        std::fprintf(stderr, "%s\n", LinkErrorText(status, LinkTextForm::MessageBox).c_str());
    }
    return ExitCodeFor(status);
}

}  // namespace vex::cli
