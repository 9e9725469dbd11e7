// read, write (with --verify), reset and read-pid: the commands that talk to a radio.

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "link/verify.h"
#include "model/radio_clock.h"

namespace vex::cli {

namespace {

struct Transfer {
    explicit Transfer(const Args& args, const char* operation)
        : ports(MakePorts(args)),
          engine(ports.factory),
          observer(engine, args.Has("--quiet"), AnswerFrom(args), operation) {
        engine.SetObserver(&observer);
    }

    PortSetup ports;
    TransferEngine engine;
    ConsoleObserver observer;
};

// "Read radio 1001 (V480): 12 contacts, 3 text messages, 4.2 s (FILE)" on stderr.
void PrintSummary(const char* what, const VirtualCP& image,
                  std::chrono::steady_clock::time_point started, const std::string& file) {
    VirtualCP counted = image;
    counted.CountContacts();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    std::fprintf(stderr, "%s radio %s (%s): %u contacts, %u text messages, %.1f s (%s)\n", what,
                 image.m_limits.pid.c_str(), image.m_limits.model.c_str(),
                 counted.m_counters.contacts, counted.m_counters.texts, took.count(), file.c_str());
}

}  // namespace

int RunRead(const Args& args) {
    args.NoPositional();
    const auto out = args.Value("-o");
    if (!out) throw UsageError{"read needs -o OUT.lam"};
    // Before the radio is read: a read that cannot be saved would only waste it.
    CheckOutputWritable(*out);
    Transfer transfer(args, "Reading");
    const std::string port = PortFrom(args);
    const auto started = std::chrono::steady_clock::now();
    VirtualCP image;
    const LinkStatus status =
        RunCancellable(transfer.engine, [&] { return transfer.engine.ReadOperation(image, port); });
    if (status != LinkStatus::Success) return ReportLinkResult(status, transfer.ports);
    ProfileDocument doc(TemplateFolder(), PrintScriptError);
    AsProfileError(*out + ": ", [&] { doc.NewFromImage(image); });
    SaveProfile(doc, *out);
    if (!args.Has("--quiet")) PrintSummary("Read", image, started, *out);
    return kExitOk;
}

int RunWrite(const Args& args) {
    const std::string& in = args.OnePositional("profile to write");
    ProfileDocument doc(TemplateFolder(), PrintScriptError);
    OpenProfile(doc, in);
    if (args.Has("--keep-clock")) doc.SetUsePCClock(false);
    VirtualCP image;
    AsProfileError(in + ": ", [&] { doc.GetVirtualCPData(image); });
    CheckWriteLimits(doc, in, args.Has("--yes") ? LimitUse::Allow : LimitUse::Refuse);
    Transfer transfer(args, "Writing");
    const std::string port = PortFrom(args);
    // The radio's clock: the computer's local time at the start of the write, unless kept.
    if (doc.UsePCClock()) image.m_settings.current_time = RadioClockNow();
    const auto started = std::chrono::steady_clock::now();
    LinkStatus status = RunCancellable(transfer.engine,
                                       [&] { return transfer.engine.WriteOperation(image, port); });
    if (status != LinkStatus::Success) {
        const int exit = ReportLinkResult(status, transfer.ports);
        if (transfer.engine.RadioLeftIncomplete())
            std::fprintf(stderr, "%s\n", kIncompleteWriteText);
        return exit;
    }
    if (!args.Has("--quiet")) PrintSummary("Wrote", image, started, in);
    if (!args.Has("--verify")) return ReportLinkResult(status, transfer.ports);

    VirtualCP radio;
    ConsoleObserver verifying(transfer.engine, args.Has("--quiet"), AnswerFrom(args), "Verifying");
    transfer.engine.SetObserver(&verifying);
    status =
        RunCancellable(transfer.engine, [&] { return transfer.engine.ReadOperation(radio, port); });
    if (status != LinkStatus::Success) return ReportLinkResult(status, transfer.ports);
    // Compared with the profile's own text, so that a character sent as '?' shows as a difference.
    VirtualCP wanted;
    AsProfileError(in + ": ", [&] { wanted = WithProfileTexts(image, doc.ProfileText()); });
    const auto differences = Differences(ExpectedAfterWrite(wanted, radio.m_limits), radio);
    for (const auto& line : differences) std::printf("%s\n", line.c_str());
    if (!differences.empty()) {
        std::fprintf(stderr, "Verification found %zu difference(s).\n", differences.size());
        return kExitDifferences;
    }
    if (!args.Has("--quiet")) std::fprintf(stderr, "Verified: the radio holds what was sent.\n");
    return kExitOk;
}

int RunReset(const Args& args) {
    args.NoPositional();
    const std::string port = PortFrom(args);
    if (!args.Has("--yes")) {
        if (::isatty(STDIN_FILENO) == 0) {
            throw UsageError{"reset erases the radio: give --yes to reset without a terminal"};
        }
        std::fprintf(stderr,
                     "Reset the radio on %s? Its settings, contacts and text messages will be "
                     "erased. [y/N] ",
                     port.c_str());
        std::fflush(stderr);
        std::string line;
        if (!std::getline(std::cin, line) || line.empty() || (line[0] != 'y' && line[0] != 'Y')) {
            std::fprintf(stderr, "Nothing was reset.\n");
            return kExitOk;
        }
    }
    Transfer transfer(args, "Resetting");
    const LinkStatus status =
        RunCancellable(transfer.engine, [&] { return transfer.engine.ResetOperation(port); });
    if (status == LinkStatus::Success && !args.Has("--quiet")) {
        std::fprintf(stderr,
                     "Reset: the radio's settings, contacts and text messages are erased.\n");
    }
    return ReportLinkResult(status, transfer.ports);
}

int RunReadPid(const Args& args) {
    args.NoPositional();
    // The radio is polled four times; the wait is spread over them.
    double seconds = 12;
    if (const auto timeout = args.Value("--timeout")) {
        std::size_t used = 0;
        try {
            seconds = std::stod(*timeout, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != timeout->size() || !(seconds > 0 && seconds <= 3600)) {
            throw UsageError{"--timeout takes seconds between 0 and 3600, not " + *timeout};
        }
    }
    Transfer transfer(args, "Waiting for the other radio");
    transfer.engine.SetPidPollInterval(
        std::chrono::milliseconds(static_cast<long long>(seconds * 1000 / 4)));
    const std::string port = PortFrom(args);
    if (!args.Has("--quiet")) {
        std::fprintf(stderr,
                     "Press Home 3 times and then PTT on the other radio (waiting up to %g s).\n",
                     seconds);
    }
    std::string pid;
    const LinkStatus status = RunCancellable(
        transfer.engine, [&] { return transfer.engine.ReadPidOperation(pid, port); });
    if (status == LinkStatus::Success) std::printf("%s\n", pid.c_str());
    return ReportLinkResult(status, transfer.ports);
}

}  // namespace vex::cli
