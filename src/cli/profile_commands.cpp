// export, import, validate and ports: the commands that need no radio.

#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "common/file_io.h"
#include "settings/port_list.h"

namespace vex::cli {

namespace {

std::size_t CountInUse(const VirtualCP& image) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < kContactSlots; ++i) n += image.IsContactInUse(i) ? 1 : 0;
    return n;
}

std::size_t CountTexts(const VirtualCP& image) {
    std::size_t n = 0;
    for (const auto& text : image.m_texts) n += text.empty() ? 0 : 1;
    return n;
}

}  // namespace

int RunExport(const Args& args) {
    const std::string& in = args.OnePositional("profile to export");
    const LoadedProfile profile = LoadProfileFile(in);
    if (const auto out = args.Value("-o")) {
        std::string error;
        if (!WriteFileAtomically(*out, profile.text, error)) throw ProfileError{error};
    } else {
        std::fwrite(profile.text.data(), 1, profile.text.size(), stdout);
        if (!profile.text.empty() && profile.text.back() != '\n') std::fputc('\n', stdout);
    }
    return kExitOk;
}

int RunImport(const Args& args) {
    const std::string& in = args.OnePositional("plain profile to import");
    const auto out = args.Value("-o");
    if (!out) throw UsageError{"import needs -o OUT.lam"};
    const LoadedProfile profile = LoadProfileFile(in);
    SaveProfileFile(*out, profile.text);
    return kExitOk;
}

int RunValidate(const Args& args) {
    const std::string& in = args.OnePositional("profile to validate");
    const LoadedProfile profile = LoadProfileFile(in);
    std::printf("%s: valid profile (%zu contacts, %zu text messages)\n", in.c_str(),
                CountInUse(profile.image), CountTexts(profile.image));
    return kExitOk;
}

int RunPorts(const Args& args) {
    args.NoPositional();
    for (const auto& port : ListSerialPorts()) {
        std::printf("%s\t%s\n", port.device.c_str(), port.description.c_str());
    }
    return kExitOk;
}

}  // namespace vex::cli
