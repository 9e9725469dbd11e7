// vexprg-cli: read, write, reset and capture a radio's private ID from a script or a terminal;
// check, export and import profile files; start new profiles from the model template.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace {

constexpr const char* kUsage =
    "usage: vexprg-cli COMMAND [options]\n"
    "\n"
    "  read     [--port DEV] -o OUT.lam [--yes|--no]   read the radio into a new profile file\n"
    "  write    [--port DEV] IN.lam [--yes|--no] [--verify] [--keep-clock]\n"
    "                                                 write a profile into the radio\n"
    "  reset    [--port DEV]                           reset the radio\n"
    "  read-pid [--port DEV]                           print the private ID captured over the air\n"
    "  export   IN.lam [-o OUT.xml]                    the profile as plain XML (stdout without "
    "-o)\n"
    "  import   IN.xml -o OUT.lam                      a plain profile checked and saved "
    "scrambled\n"
    "  validate IN.lam                                 check a profile file\n"
    "  models                                          the radio models of the model template\n"
    "  new      --model NAME -o OUT.lam                a new profile from a model's template\n"
    "  report   radio|overview IN.lam [-o OUT.htm]     an HTML report of a profile (default: the\n"
    "                                                 report folder's SpecReport.htm or\n"
    "                                                 OverviewReport.htm)\n"
    "  ports                                           the serial ports the system knows\n"
    "\n"
    "Radio commands also take --trace FILE (every byte sent and received, one frame a line) and\n"
    "--quiet (no progress). --port defaults to the CurrentComPort setting. A write's warning is\n"
    "answered by --yes (continue) or --no (stop); without either it is asked on the terminal.\n"
    "--verify reads the radio back after a write and prints every difference. A write sets the\n"
    "radio's clock to the computer's local time; --keep-clock sends the profile's time instead.\n"
    "Profiles are checked against the model template (DataProfile.xsd, DataProfile.lua) in\n"
    "the ProfileTemplate folder of the installation.\n"
    "Ctrl-C cancels a radio operation.\n"
    "\n"
    "Exit status: 0 success, 2 usage, 3 profile or file error, 4 verification differences,\n"
    "10+N link status -N, 9 any other link result.\n";

struct Command {
    const char* name;
    int (*run)(const vex::cli::Args&);
    std::vector<std::string> values;
    std::vector<std::string> flags;
};

}  // namespace

int main(int argc, char** argv) {
    using namespace vex::cli;
    const std::vector<std::string> radioFlags = {"--yes", "--no", "--quiet"};
    const std::vector<Command> commands = {
        {"read", RunRead, {"--port", "--trace", "-o"}, radioFlags},
        {"write",
         RunWrite,
         {"--port", "--trace"},
         {"--yes", "--no", "--quiet", "--verify", "--keep-clock"}},
        {"reset", RunReset, {"--port", "--trace"}, {"--quiet"}},
        {"read-pid", RunReadPid, {"--port", "--trace"}, {"--quiet"}},
        {"export", RunExport, {"-o"}, {}},
        {"import", RunImport, {"-o"}, {}},
        {"validate", RunValidate, {}, {}},
        {"models", RunModels, {}, {}},
        {"new", RunNew, {"--model", "-o"}, {}},
        {"report", RunReport, {"-o"}, {}},
        {"ports", RunPorts, {}, {}},
    };
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    for (const Command& command : commands) {
        if (command.name != std::string(argv[1])) continue;
        try {
            const Args args(argc, argv, 2, command.values, command.flags);
            return command.run(args);
        } catch (const UsageError& e) {
            std::fprintf(stderr, "vexprg-cli %s: %s\n\n%s", command.name, e.message.c_str(),
                         kUsage);
            return kExitUsage;
        } catch (const ProfileError& e) {
            std::fprintf(stderr, "%s\n", e.message.c_str());
            return kExitProfile;
        } catch (const vex::CVEXPRGException& e) {
            std::fprintf(stderr, "%s\n", MessageOf(e).c_str());
            return kExitProfile;
        }
    }
    std::fprintf(stderr, "vexprg-cli: unknown command %s\n\n%s", argv[1], kUsage);
    return kExitUsage;
}
