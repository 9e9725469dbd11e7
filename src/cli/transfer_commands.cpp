// read, write (with --verify), reset and read-pid: the commands that talk to a radio.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/verify.h"
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

}  // namespace

int RunRead(const Args& args) {
    args.NoPositional();
    const auto out = args.Value("-o");
    if (!out) throw UsageError{"read needs -o OUT.lam"};
    Transfer transfer(args, "Reading");
    const std::string port = PortFrom(args);
    VirtualCP image;
    const LinkStatus status =
        RunCancellable(transfer.engine, [&] { return transfer.engine.ReadOperation(image, port); });
    if (status != LinkStatus::Success) return ReportLinkResult(status, transfer.ports);
    ProfileDocument doc(TemplateFolder(), PrintScriptError);
    AsProfileError(*out + ": ", [&] { doc.NewFromImage(image); });
    SaveProfile(doc, *out);
    return kExitOk;
}

int RunWrite(const Args& args) {
    const std::string& in = args.OnePositional("profile to write");
    ProfileDocument doc(TemplateFolder(), PrintScriptError);
    OpenProfile(doc, in);
    if (args.Has("--keep-clock")) doc.SetUsePCClock(false);
    VirtualCP image;
    AsProfileError(in + ": ", [&] { doc.GetVirtualCPData(image); });
    Transfer transfer(args, "Writing");
    const std::string port = PortFrom(args);
    // The radio's clock: the computer's local time at the start of the write, unless kept.
    if (doc.UsePCClock()) image.m_settings.current_time = RadioClockNow();
    LinkStatus status = RunCancellable(transfer.engine,
                                       [&] { return transfer.engine.WriteOperation(image, port); });
    if (status != LinkStatus::Success || !args.Has("--verify")) {
        return ReportLinkResult(status, transfer.ports);
    }

    VirtualCP radio;
    ConsoleObserver verifying(transfer.engine, args.Has("--quiet"), AnswerFrom(args), "Verifying");
    transfer.engine.SetObserver(&verifying);
    status =
        RunCancellable(transfer.engine, [&] { return transfer.engine.ReadOperation(radio, port); });
    if (status != LinkStatus::Success) return ReportLinkResult(status, transfer.ports);
    const auto differences = Differences(ExpectedAfterWrite(image, radio.m_limits), radio);
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
    Transfer transfer(args, "Resetting");
    const std::string port = PortFrom(args);
    const LinkStatus status =
        RunCancellable(transfer.engine, [&] { return transfer.engine.ResetOperation(port); });
    return ReportLinkResult(status, transfer.ports);
}

int RunReadPid(const Args& args) {
    args.NoPositional();
    Transfer transfer(args, "Waiting for the other radio");
    const std::string port = PortFrom(args);
    if (!args.Has("--quiet")) {
        std::fprintf(stderr, "Press Home 3 times and then PTT on the other radio.\n");
    }
    std::string pid;
    const LinkStatus status = RunCancellable(
        transfer.engine, [&] { return transfer.engine.ReadPidOperation(pid, port); });
    if (status == LinkStatus::Success) std::printf("%s\n", pid.c_str());
    return ReportLinkResult(status, transfer.ports);
}

}  // namespace vex::cli
