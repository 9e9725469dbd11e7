// vexprg-sim: a virtual VEX480 radio on a pseudo-terminal.

#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

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

constexpr int kUsageError = 2;

struct Options {
    std::string link;
    std::string profile;
    std::string save;
    bool pace = true;
    bool quiet = false;
    std::vector<Fault> faults;
    std::optional<std::uint32_t> pidAfter = 1;
};

void PrintHelp() {
    std::printf(
        "Usage: vexprg-sim [OPTION]...\n"
        "A virtual VEX480 radio on a pseudo-terminal. Prints the device path on the first line\n"
        "of its output, then answers the programming software's commands until it is stopped\n"
        "(SIGINT or SIGTERM).\n"
        "\n"
        "  --link PATH      make PATH a symbolic link to the device (an existing link is\n"
        "                   replaced; anything else at PATH is left alone and the radio\n"
        "                   does not start)\n"
        "  --profile FILE   start from the codeplug in this profile file (plain or\n"
        "                   scrambled); without it, the built-in radio (own ID 1001)\n"
        "  --save FILE      keep the codeplug in this profile file: after every write and\n"
        "                   reset, and on exit\n"
        "  --no-pace        answer at once instead of at 9600 baud\n"
        "  --fault FAULT    misbehave as FAULT says (may be given more than once)\n"
        "  --pid-after N    answer a private-ID capture's polls 'not yet' N times before\n"
        "                   reporting the ID %s (N may be 'never'; default 1)\n"
        "  --quiet          log nothing (otherwise one line per command on stderr)\n"
        "  --help           show this text\n"
        "\n"
        "%s",
        std::string(kDefaultCapturedPid).c_str(), std::string(FaultSyntaxHelp()).c_str());
}

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

// Parses the command line; 0 to go on, else the exit code.
int ParseOptions(int argc, char** argv, Options& options) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::optional<std::string_view> inlineValue;
        if (arg.starts_with("--")) {
            if (const auto eq = arg.find('='); eq != std::string_view::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        const auto value = [&](std::string& out) {
            if (inlineValue) {
                out = std::string(*inlineValue);
                return true;
            }
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "vexprg-sim: %s needs a value\n", std::string(arg).c_str());
                return false;
            }
            out = std::string(args[++i]);
            return true;
        };
        const auto noValue = [&] {
            if (!inlineValue) return true;
            std::fprintf(stderr, "vexprg-sim: %s takes no value\n", std::string(arg).c_str());
            return false;
        };

        std::string text;
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return -1;
        } else if (arg == "--link") {
            if (!value(options.link)) return kUsageError;
        } else if (arg == "--profile") {
            if (!value(options.profile)) return kUsageError;
        } else if (arg == "--save") {
            if (!value(options.save)) return kUsageError;
        } else if (arg == "--no-pace") {
            if (!noValue()) return kUsageError;
            options.pace = false;
        } else if (arg == "--quiet") {
            if (!noValue()) return kUsageError;
            options.quiet = true;
        } else if (arg == "--fault") {
            if (!value(text)) return kUsageError;
            std::string error;
            const auto fault = ParseFault(text, error);
            if (!fault) {
                std::fprintf(stderr, "vexprg-sim: %s\n", error.c_str());
                return kUsageError;
            }
            options.faults.push_back(*fault);
        } else if (arg == "--pid-after") {
            if (!value(text)) return kUsageError;
            if (text == "never") {
                options.pidAfter.reset();
            } else {
                char* end = nullptr;
                errno = 0;
                const unsigned long n = std::strtoul(text.c_str(), &end, 10);
                if (text.empty() || *end != '\0' || errno != 0 || n > 1'000'000 || text[0] == '-') {
                    std::fprintf(stderr, "vexprg-sim: --pid-after needs a number or 'never'\n");
                    return kUsageError;
                }
                options.pidAfter = static_cast<std::uint32_t>(n);
            }
        } else {
            std::fprintf(stderr, "vexprg-sim: unknown option '%s' (try --help)\n",
                         std::string(arg).c_str());
            return kUsageError;
        }
    }
    return 0;
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
    if (parsed < 0) return 0;
    if (parsed > 0) return parsed;
    return Run(options);
}
