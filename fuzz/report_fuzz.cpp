// Both reports on every profile text that loads (sorted and loaded as a file's text is), from the
// installed templates, with dealer texts that need escaping, their pictures put inside as a saved
// page has them. The generated content must follow the marker. The picture embedding also reads
// the raw input as a page: a page that names no picture comes back unchanged.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "model/profile_document.h"
#include "model/profile_text.h"
#include "report/report_generator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vex::ProfileDocument doc(vex::fuzz::kTemplateFolder, vex::fuzz::Quiet);
    static const std::string radioTemplate =
        vex::LoadReportTemplate(vex::fuzz::kDataFolder + "/Report/SpecReport.tpl");
    static const std::string overview =
        vex::LoadReportTemplate(vex::fuzz::kDataFolder + "/Report/OverviewReport.tpl");
    static const std::vector<std::string> pictures = {vex::fuzz::kDataFolder + "/Report"};
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string embedded = vex::EmbedPictures(raw, pictures);
    VEX_FUZZ_CHECK(embedded.find("base64,") != std::string::npos || embedded == raw);
    try {
        // What ProfileDocument::LoadText does with a file's text.
        std::string text(reinterpret_cast<const char*>(data), size);
        vex::SortProfileLists(text);
        if (doc.Model().LoadProfile(text, false) != 1) return 0;
    } catch (const vex::CVEXPRGException& e) {
        if (!vex::fuzz::IsProfileRefusal(e.MessageId())) std::abort();
        return 0;
    }
    vex::DealerTexts dealer;
    dealer.dealerInfo = "A & B <dealer>";
    dealer.contactInfo = "\"0\" \r\n x";
    dealer.dealerNotes = "'notes'";
    const vex::CDataItem root = doc.Model().RootItem();
    for (const auto& [kind, templateText] :
         {std::pair{vex::ReportKind::RadioSpecific, &radioTemplate},
          std::pair{vex::ReportKind::Overview, &overview}}) {
        const std::string page = vex::BuildReport(kind, root, *templateText, dealer);
        VEX_FUZZ_CHECK(page.find(vex::kReportMarker) != std::string::npos);
        VEX_FUZZ_CHECK(page.find("<dealer>") == std::string::npos);
        VEX_FUZZ_CHECK(vex::EmbedPictures(page, pictures).size() >= page.size() / 2);
    }
    return 0;
}
