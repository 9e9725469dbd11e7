// report: the radio-specific or the overview report of a profile, as an HTML page.

#include <cstdio>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "model/profile_document.h"
#include "report/report_generator.h"
#include "settings/settings_store.h"

namespace vex::cli {

int RunReport(const Args& args) {
    const auto& words = args.Positional();
    if (words.size() != 2 || (words[0] != "radio" && words[0] != "overview")) {
        throw UsageError{"expected: report radio|overview IN.lam"};
    }
    const ReportKind kind = words[0] == "radio" ? ReportKind::RadioSpecific : ReportKind::Overview;
    const std::string& in = words[1];

    ProfileDocument doc(TemplateFolder(), PrintScriptError);
    OpenProfile(doc, in);
    const CDataItem& root = doc.Model().RootItem();
    if (kind == ReportKind::RadioSpecific && !HasOwnEntry(root)) {
        throw ProfileError{
            in +
            ": the profile has no private contact with the radio's own private ID, "
            "so there is no radio-specific report; the overview report can be made."};
    }
    // Dealer texts that cannot be read only leave the dealer block out.
    const DealerTextsResult dealer = GetDealerTexts();
    const std::optional<DealerTexts> texts =
        dealer.message == SettingsMessage::None ? std::optional(dealer.texts) : std::nullopt;
    // By default the page goes into the current folder, never into the installation.
    const std::string out = args.Value("-o").value_or(
        kind == ReportKind::RadioSpecific ? "SpecReport.htm" : "OverviewReport.htm");
    RefuseOutputThatIsInput(in, out);
    // The page carries its picture, so that it shows wherever it is opened or copied to.
    const std::string folder = InstallFolder() + "/" + std::string(kReportFolder);
    const std::string_view tpl =
        kind == ReportKind::RadioSpecific ? kSpecTemplate : kOverviewTemplate;
    AsProfileError(out + ": ", [&] {
        const std::string page =
            BuildReport(kind, root, LoadReportTemplate(folder + "/" + std::string(tpl)), texts);
        SaveReport(out, EmbedPictures(page, {folder}));
    });
    std::printf("%s\n", out.c_str());
    return kExitOk;
}

}  // namespace vex::cli
