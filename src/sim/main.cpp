// vexprg-sim: a virtual VEX480 radio on a pseudo-terminal.

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/usage.h"
#include "common/exception.h"
#include "link/announced_ports.h"
#include "sim/default_radio.h"
#include "sim/faults.h"
#include "sim/profile_file.h"
#include "sim/pty_line.h"
#include "sim/radio_server.h"
#include "sim/virtual_radio.h"

namespace {

using namespace vex;
using namespace vex::sim;

struct Options {
    std::string link;
    std::string profile;
    std::string save;
    bool pace = true;
    bool quiet = false;
    std::vector<Fault> faults;
    std::optional<std::uint32_t> pidAfter = 1;
};

// One line on stderr, after the time of day.
void Log(const std::string& text) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
    std::fprintf(stderr, "%s.%03lld %s\n", stamp, static_cast<long long>(millis), text.c_str());
}

// The number of 'not yet' answers --pid-after gives, or nothing for "never"; false when the text
// is neither.
bool ParsePidAfter(const std::string& text, std::optional<std::uint32_t>& out) {
    if (text == "never") {
        out.reset();
        return true;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long n = std::strtoul(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || n > 1'000'000 || text[0] == '-') {
        return false;
    }
    out = static_cast<std::uint32_t>(n);
    return true;
}

// Parses the command line; -1 to go on, else the exit status (0 after --help or --version).
int ParseOptions(int argc, char** argv, Options& options) {
    CLI::App app{
        "A virtual VEX480 radio on a pseudo-terminal. Prints the device path on the first line\n"
        "of its output, then answers the programming software's commands until it is stopped\n"
        "(SIGINT or SIGTERM).",
        "vexprg-sim"};
    app.set_version_flag("--version", std::string("vexprg-sim ") + cli::kVersion);
    app.allow_extras();
    app.footer(std::string(FaultSyntaxHelp()) +
               "\nExit status: 0 stopped by a signal, 1 the radio could not start, 2 usage "
               "error.");
    std::string pidAfter;
    std::vector<std::string> faults;
    const auto last = CLI::MultiOptionPolicy::TakeLast;
    app.add_option("--link", options.link,
                   "make PATH a symbolic link to the device (an existing link is\n"
                   "replaced; anything else at PATH is left alone and the radio\n"
                   "does not start)")
        ->type_name("PATH")
        ->multi_option_policy(last);
    app.add_option("--profile", options.profile,
                   "start from the codeplug in this profile file (plain or\n"
                   "scrambled); without it, the built-in radio (own ID 1001)")
        ->type_name("FILE")
        ->multi_option_policy(last);
    app.add_option("--save", options.save,
                   "keep the codeplug in this profile file: after every write and\n"
                   "reset, and on exit")
        ->type_name("FILE")
        ->multi_option_policy(last);
    bool noPace = false;
    app.add_flag("--no-pace", noPace, "answer at once instead of at 9600 baud");
    app.add_option("--fault", faults, "misbehave as FAULT says (may be given more than once)")
        ->type_name("FAULT");
    app.add_option("--pid-after", pidAfter,
                   "answer a private-ID capture's polls 'not yet' N times before\n"
                   "reporting the ID " +
                       std::string(kDefaultCapturedPid) + " (N may be 'never'; default 1)")
        ->type_name("N")
        ->multi_option_policy(last);
    app.add_flag("--quiet", options.quiet,
                 "log nothing (otherwise one line per command on stderr)");

    const auto usage = [](const std::string& message) {
        return cli::UsageFailure("", message, "vexprg-sim");
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return usage(cli::UsageMessage(e));
    }
    for (const std::string& word : app.remaining()) {
        if (word.size() > 1 && word[0] == '-') {
            const std::string name = word.substr(0, word.find('='));
            std::vector<std::string> known;
            for (const CLI::Option* option : app.get_options()) {
                for (const std::string& n : option->get_lnames()) known.push_back("--" + n);
            }
            return usage("unknown option " + name + cli::DidYouMean(name, known));
        }
        return usage("unexpected argument " + word);
    }
    options.pace = !noPace;
    for (const std::string& text : faults) {
        std::string error;
        const auto fault = ParseFault(text, error);
        if (!fault) return usage(error);
        options.faults.push_back(*fault);
    }
    if (app.count("--pid-after") != 0) {
        if (!ParsePidAfter(pidAfter, options.pidAfter)) {
            return usage("--pid-after needs a number or 'never'");
        }
    }
    return -1;
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) return path;
    return std::string(cwd) + "/" + path;
}

// Points `link` at `device`, replacing a symbolic link that is there but nothing else.
bool MakeLink(const std::string& link, const std::string& device) {
    struct stat info {};
    if (lstat(link.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        std::fprintf(stderr, "vexprg-sim: %s exists and is not a symbolic link; not replacing it\n",
                     link.c_str());
        return false;
    }
    // Made beside it and renamed over it, so the link never goes missing on the way.
    const std::string temp = link + ".new-" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(device.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "vexprg-sim: cannot make the link %s: %s\n", link.c_str(),
                     std::strerror(errno));
        unlink(temp.c_str());
        return false;
    }
    return true;
}

// Removes `link` when it still points at `device` (another radio may have taken it over).
void RemoveLink(const std::string& link, const std::string& device) {
    char target[4096];
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n < 0) return;
    target[n] = '\0';
    if (device == target) unlink(link.c_str());
}

bool Save(const VirtualCP& image, const std::string& path) {
    std::string error;
    if (SaveRadioProfile(image, path, error)) return true;
    Log("cannot save the radio: " + error);
    return false;
}

int Run(const Options& options) {
    VirtualCP image;
    try {
        image = options.profile.empty() ? DefaultRadioImage() : LoadRadioProfile(options.profile);
    } catch (const CVEXPRGException& e) {
        std::fprintf(stderr, "vexprg-sim: %s is no usable profile:%s\n", options.profile.c_str(),
                     e.Context().c_str());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vexprg-sim: %s\n", e.what());
        return 1;
    }

    // Signals are taken by sigwait below, in this thread; the serving thread inherits the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    const auto line = PtyLine::Open(error);
    if (!line) {
        std::fprintf(stderr, "vexprg-sim: no pseudo-terminal: %s\n", error.c_str());
        return 1;
    }
    const std::string device = line->DevicePath();
    const std::string link = Absolute(options.link);
    if (!link.empty() && !MakeLink(link, device)) return 1;

    VirtualRadio radio(std::move(image));
    radio.SetPidCapture(std::string(kDefaultCapturedPid), options.pidAfter);
    if (!options.save.empty()) {
        radio.SetChangeHook([path = options.save, quiet = options.quiet](const VirtualCP& changed) {
            if (Save(changed, path) && !quiet) Log("saved the radio to " + path);
        });
    }
    RadioServer server(radio, *line);
    Pacing pacing;
    pacing.enabled = options.pace;
    server.SetPacing(pacing);
    for (const Fault& fault : options.faults) server.AddFault(fault);
    if (!options.quiet) server.SetLog([](std::string_view text) { Log(std::string(text)); });

    if (!AnnouncePort(device, link)) {
        Log("cannot announce the radio in " + AnnouncementFolder());
    }
    std::printf("%s\n", device.c_str());
    std::fflush(stdout);
    if (!options.quiet) {
        Log("serving a virtual radio on " + device + (link.empty() ? "" : " (" + link + ")"));
    }

    RadioThread serving(server);
    serving.Start();
    int signal = 0;
    while (sigwait(&stopSignals, &signal) != 0) {
    }
    serving.Stop();
    if (!options.quiet) Log("stopping on signal " + std::to_string(signal));

    if (!options.save.empty()) Save(radio.Image(), options.save);
    WithdrawPort();
    if (!link.empty()) RemoveLink(link, device);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = ParseOptions(argc, argv, options);
    if (parsed >= 0) return parsed;
    return Run(options);
}
