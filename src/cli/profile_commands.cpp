// export, import, validate, models, new and ports: the commands that need no radio.

#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "common/file_io.h"
#include "common/strings.h"
#include "common/text.h"
#include "settings/port_list.h"
#include "settings/settings_store.h"

namespace vex::cli {

namespace {

// "Error: Can not find template files!"
constexpr int kNoTemplateFiles = 10114;

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

// The models of the installation's template folder; a ProfileError when there is none.
std::vector<std::string> TemplateModels(const std::string& folder) {
    std::vector<std::string> models = ListTemplateModels(folder);
    if (models.empty()) {
        throw ProfileError{std::string(StringText(kNoTemplateFiles)) + " (" + folder + ")"};
    }
    return models;
}

}  // namespace

int RunExport(const Args& args) {
    const std::string& in = args.OnePositional("profile to export");
    ProfileDocument doc(TemplateFolder(), PrintScriptError);
    OpenProfile(doc, in);
    std::string text;
    AsProfileError(in + ": ", [&] { text = doc.ReadableProfileText(); });
    if (const auto out = args.Value("-o")) {
        std::string error;
        RefuseOutputThatIsInput(in, *out);
        if (!WriteFileAtomically(*out, text, error)) throw ProfileError{error};
    } else {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (!text.empty() && text.back() != '\n') std::fputc('\n', stdout);
    }
    return kExitOk;
}

int RunImport(const Args& args) {
    const std::string& in = args.OnePositional("plain profile to import");
    const auto out = args.Value("-o");
    if (!out) throw UsageError{"import needs -o OUT.lam"};
    RefuseOutputThatIsInput(in, *out);
    ProfileDocument doc(TemplateFolder(), PrintScriptError);
    OpenProfile(doc, in);
    CheckWriteLimits(doc, in, LimitUse::Warn);
    SaveProfile(doc, *out);
    return kExitOk;
}

int RunValidate(const Args& args) {
    if (args.Positional().empty()) throw UsageError{"expected one or more profiles to validate"};
    int status = kExitOk;
    for (const std::string& in : args.Positional()) {
        try {
            ProfileDocument doc(TemplateFolder(), PrintScriptError);
            OpenProfile(doc, in);
            VirtualCP image;
            AsProfileError(in + ": ", [&] { doc.GetVirtualCPData(image); });
            CheckWriteLimits(doc, in, LimitUse::Warn);
            std::printf("%s: valid profile (%zu contacts, %zu text messages)\n", in.c_str(),
                        CountInUse(image), CountTexts(image));
        } catch (const ProfileError& e) {
            std::fprintf(stderr, "%s\n", e.message.c_str());
            status = kExitProfile;
        }
    }
    return status;
}

int RunModels(const Args& args) {
    args.NoPositional();
    for (const auto& model : TemplateModels(TemplateFolder())) std::printf("%s\n", model.c_str());
    return kExitOk;
}

int RunNew(const Args& args) {
    args.NoPositional();
    auto model = args.Value("--model");
    const auto out = args.Value("-o");
    if (!model || !out) throw UsageError{"new needs --model NAME and -o OUT.lam"};
    const std::string folder = TemplateFolder();
    const std::vector<std::string> models = TemplateModels(folder);
    bool known = false;
    std::string list;
    for (const auto& name : models) {
        if (CompareUtf8NoCase(name, *model) == 0) {
            known = true;
            *model = name;
        }
        list += (list.empty() ? "" : ", ") + name;
    }
    if (!known) throw UsageError{"unknown model " + *model + "; the models are: " + list};
    ProfileDocument doc(folder, PrintScriptError);
    const std::string path = TemplateModelPath(folder, *model);
    AsProfileError(path + ": ", [&] { doc.NewFromTemplate(path); });
    SaveProfile(doc, *out);
    return kExitOk;
}

int RunPorts(const Args& args) {
    args.NoPositional();
    if (const auto port = args.Value("--default")) {
        if (!SetCurrentComPort(*port)) throw ProfileError{"cannot store the default port " + *port};
        std::printf("default port: %s\n", port->c_str());
        return kExitOk;
    }
    for (const auto& port : ListSerialPorts()) {
        std::printf("%s\t%s\n", port.device.c_str(), port.description.c_str());
    }
    return kExitOk;
}

}  // namespace vex::cli
