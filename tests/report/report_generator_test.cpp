#include "report/report_generator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "codeplug/data_adaptor.h"
#include "common/exception.h"
#include "model/profile_text.h"
#include "model/radio_data_model.h"
#include "support/contacts.h"
#include "support/io_helpers.h"

namespace vex {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kTemplateFolder = VEX_SOURCE_DATA_DIR "/ProfileTemplate";
const std::string kReportFolder = VEX_SOURCE_DATA_DIR "/Report";

// A template whose head and tail are easy to tell apart.
const std::string kTemplate = "<title>REPORT_TITLE</title><img src=\"MODEL_PIC.png\">" +
                              std::string(kReportMarker) + "<p>tail REPORT_TITLE MODEL_PIC</p>";

VirtualCP RadioImage() {
    VirtualCP image;
    image.m_limits.pid = "1001";
    image.m_limits.model = "V480";
    image.m_limits.clone_compatibility_version = 10;
    image.m_limits.max_num_of_contacts = 150;
    image.m_limits.max_num_of_channels = 16;
    image.m_limits.feature_bits = (1u << feature::kPublicScanEn) | (1u << feature::kSeeAllGroupsEn);
    image.m_settings.setting_bits = 1u << setting::kScanEn;
    return image;
}

class ReportTest : public ::testing::Test {
  protected:
    // Loads the image's profile text into a data model; the report reads it through data items.
    const CDataItem& Load(const VirtualCP& image) {
        std::string text;
        CDataAdaptor::VirtualCP2XML(image, text);
        SortProfileLists(text);
        m_model = std::make_unique<CRadioDataModel>(kTemplateFolder, [](const std::string&) {});
        m_model->LoadProfile(text, false);
        return m_model->RootItem();
    }

    std::unique_ptr<CRadioDataModel> m_model;
};

std::size_t Count(const std::string& text, std::string_view what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// A piece of a generated page from fixtures/report_pieces.txt, by its name.
std::string Piece(const std::string& name) {
    for (const std::string& line : test::FixtureLines(__FILE__, "report_pieces.txt")) {
        if (line.starts_with(name + "|")) return line.substr(name.size() + 1);
    }
    ADD_FAILURE() << "no piece " << name;
    return "no piece " + name;
}

const std::string kNoneRow = Piece("none-row");

TEST_F(ReportTest, AnEmptyProfileReadsNoneInEveryListSection) {
    VirtualCP image = RadioImage();
    const CDataItem& root = Load(image);
    EXPECT_FALSE(HasOwnEntry(root));

    const std::string overview = BuildReport(ReportKind::Overview, root, kTemplate, std::nullopt);
    // All Privates, All Public Groups, All Private Groups and the three flag lists.
    EXPECT_EQ(Count(overview, kNoneRow), 6u);
    EXPECT_EQ(Count(overview, "</div>&nbsp;<span class=\"ItemTitleU\">None</span><BR>"), 2u);
    EXPECT_THAT(overview, HasSubstr("<title>Overview Report</title><img src=\"V4S.png\">"));
    EXPECT_THAT(overview, HasSubstr("<!-- report content begin -->&nbsp;<BR>&nbsp;<BR><div"));

    const std::string radioPage =
        BuildReport(ReportKind::RadioSpecific, root, kTemplate, std::nullopt);
    // Receive From, Transmit To, Scroll List and Text Messages.
    EXPECT_EQ(Count(radioPage, kNoneRow), 4u);
}

TEST_F(ReportTest, TheRadioReportDescribesTheOwnEntry) {
    VirtualCP image = RadioImage();
    image.m_contacts[0] = MakeContact(ContactType::PublicGroup, "Site", "17179869183", 3);
    image.m_contacts[0].flags =
        (1u << contact_flag::kInScanList) | (1u << contact_flag::kInScrollList);
    image.m_contacts[1] = MakeContact(ContactType::PublicGroup, "Other", "17179869182", 4);
    image.m_contacts[2] = MakeContact(ContactType::PrivateGroup, "Crew", "5001", 3);
    image.m_contacts[3] = MakeContact(ContactType::Private, "Me", "1001", 3);
    image.m_contacts[3].parent_groups[0] = "5001";
    image.m_contacts[3].home_grp = "17179869183";
    image.m_contacts[3].alert_tone = 2;
    image.m_contacts[3].own_flags = 1u << own_flag::kSeeAllGroups;
    image.m_contacts[4] = MakeContact(ContactType::Private, "Zed", "1002", 3);
    image.m_contacts[4].flags = 1u << contact_flag::kInScrollList;
    image.m_texts[0] = "b text";
    image.m_texts[1] = "A text";
    const CDataItem& root = Load(image);
    ASSERT_TRUE(HasOwnEntry(root));

    const std::string page = BuildReport(ReportKind::RadioSpecific, root, kTemplate, std::nullopt);
    auto row = [](const char* label, const char* value) {
        return std::string("<td width=\"110\" class=\"ItemName\">") + label +
               ":</td>          <td width=\"70\" class=\"ItemVal\">" + value + "</td>";
    };
    EXPECT_THAT(page, HasSubstr("<title>Radio-Specific Report - Unit Private ID:1001&nbsp;&nbsp;"
                                "&nbsp;&nbsp;Model:VEX480</title><img src=\"V480.png\">"));
    // clang-format off
    const char* const rows[][2] = {
        {"Unit Private ID", "1001"}, {"Name", "Me"}, {"Firmware Version", "R5E.05.00"},
        {"Codeplug Version", "CP03.10.05"}, {"Home Channel", "3"}, {"Home Group", "Site"},
        {"Ringer", "2"}, {"See All Groups", "Enabled"}, {"Scan Mode", "Enabled"}};
    // clang-format on
    for (const auto& [label, value] : rows) EXPECT_THAT(page, HasSubstr(row(label, value)));
    EXPECT_THAT(page, Not(HasSubstr("Manager Mode")));  // the feature is off
    EXPECT_THAT(page, HasSubstr(Piece("receive-from")));
    EXPECT_THAT(page, HasSubstr(Piece("scroll-list")));
    EXPECT_LT(page.find("<p>A text</p>"), page.find("<p>b text</p>"));
    EXPECT_THAT(page, HasSubstr("<p>tail REPORT_TITLE MODEL_PIC</p>"));  // the tail is untouched
}

TEST_F(ReportTest, EveryProfileValueIsEscaped) {
    VirtualCP image = RadioImage();
    const std::string hostile = "<img src=x onerror=alert(1)>";
    image.m_limits.model = "V<b>";
    image.m_contacts[0] = MakeContact(ContactType::Private, hostile, "1001", 1);
    image.m_contacts[1] = MakeContact(ContactType::Private, "A&B \"C\"", "1002", 1);
    image.m_contacts[2] = MakeContact(ContactType::PrivateGroup, "<script>", "5001", 1);
    image.m_contacts[0].parent_groups[0] = "5001";
    image.m_texts[0] = "</p><iframe>";
    const CDataItem& root = Load(image);
    const DealerTexts dealer{"<b>Dealer</b>", "", ""};
    for (const ReportKind kind : {ReportKind::RadioSpecific, ReportKind::Overview}) {
        const std::string page = BuildReport(kind, root, kTemplate, dealer);
        for (const char* tag : {"<img src=x", "<script>", "<iframe>", "<b>"})
            EXPECT_THAT(page, Not(HasSubstr(tag)));
        EXPECT_THAT(page, HasSubstr("&lt;b&gt;Dealer&lt;/b&gt;<BR>"));
        if (kind == ReportKind::Overview) {
            EXPECT_THAT(page, HasSubstr("&lt;img src=x onerror=alert(1)&gt;"));
            EXPECT_THAT(page, HasSubstr("A&amp;B &quot;C&quot;"));
        }
    }
}

TEST_F(ReportTest, OverviewNumbersPublicGroupsAndKeepsTheModelsOrder) {
    VirtualCP image = RadioImage();
    image.m_contacts[0] = MakeContact(ContactType::PublicGroup, "First", "17179869183", 1);
    image.m_contacts[1] = MakeContact(ContactType::PublicGroup, "Second", "17179869182", 2);
    image.m_contacts[2] = MakeContact(ContactType::Private, "bob", "1002", 1);
    image.m_contacts[3] = MakeContact(ContactType::Private, "Alice", "1003", 1);
    image.m_contacts[4] = MakeContact(ContactType::Private, "BOB", "1004", 1);
    for (auto& c : image.m_contacts) c.own_flags = 1u << own_flag::kMngrMode;
    const CDataItem& root = Load(image);
    const std::string page = BuildReport(ReportKind::Overview, root, kTemplate, std::nullopt);
    // Public groups are numbered down from the start of the pool.
    auto row = [](const char* name, const char* number, int channel) {
        return std::string("<tr>          <td  class=\"ItemVal\">") + name +
               "</td>          <td class=\"ItemVal\">" + number +
               "</td>          <td class=\"ItemVal\">" + std::to_string(channel) +
               "</td>        </tr>";
    };
    EXPECT_THAT(page, HasSubstr(row("First", "1", 1) + row("Second", "2", 2) + "</table>"));
    const std::string managers = page.substr(page.find("Manager Mode Enabled"));
    EXPECT_THAT(managers, HasSubstr(Piece("managers")));
}

TEST_F(ReportTest, DealerTextsKeepTheirLinesAndEndWithOneBreak) {
    const CDataItem& root = Load(RadioImage());
    const DealerTexts dealer{"Radio & Co\r\nMain Street 1\r\n", "phone 555\nfax 556", "  "};
    const std::string page = BuildReport(ReportKind::Overview, root, kTemplate, dealer);
    EXPECT_THAT(page, HasSubstr("<div class=\"ItemTitle\">Dealer Information</div>"));
    EXPECT_THAT(page, HasSubstr("align=\"left\" valign=\"top\">Radio &amp; Co<BR>Main Street 1<BR>"
                                "</td>"));
    EXPECT_THAT(page, HasSubstr("align=\"center\" valign=\"top\">  <BR></td>"));
    EXPECT_THAT(page, HasSubstr("align=\"right\" valign=\"top\">phone 555<BR>fax 556<BR></td>"));
    EXPECT_THAT(page, HasSubstr("width=\"100%\""));

    const std::string blank =
        BuildReport(ReportKind::Overview, root, kTemplate, DealerTexts{" ", "\r\n", ""});
    EXPECT_THAT(blank, Not(HasSubstr("Dealer Information")));
}

// The installed templates in a browser: standards mode, so that table cells take the page's text
// size; dealer texts wrap while other values stay whole. (The window tests check that group blocks
// follow their section titles.)
TEST_F(ReportTest, InstalledTemplatesLayOutThePageForABrowser) {
    VirtualCP image = RadioImage();
    image.m_contacts[0] = MakeContact(ContactType::PublicGroup, "Site", "17179869183", 3);
    image.m_contacts[1] = MakeContact(ContactType::PrivateGroup, "Crew", "5001", 3);
    image.m_contacts[2] = MakeContact(ContactType::Private, "Me", "1001", 3);
    const CDataItem& root = Load(image);
    const DealerTexts dealer{std::string(100, 'D'), "Tel +1 555 0100", "Notes"};
    for (const char* name : {"SpecReport.tpl", "OverviewReport.tpl"}) {
        SCOPED_TRACE(name);
        const std::string page =
            BuildReport(std::string(name) == "SpecReport.tpl" ? ReportKind::RadioSpecific
                                                              : ReportKind::Overview,
                        root, LoadReportTemplate(kReportFolder + "/" + name), dealer);
        EXPECT_EQ(page.rfind("<!DOCTYPE html>\n", 0), 0u);
        EXPECT_TRUE(std::regex_search(page, std::regex(R"(\btd\s*\{[^}]*font-size:)")));
        // The dealer cells are the only ones with valign, and those wrap.
        EXPECT_EQ(Count(page, "valign=\"top\""), 3u);
        EXPECT_TRUE(std::regex_search(
            page, std::regex(R"(\.ItemVal\[valign\]\s*\{[^}]*white-space:\s*normal)")));
    }
}

TEST_F(ReportTest, MissingTemplateOrUnwritablePageRaisesAndWritesNothing) {
    const CDataItem& root = Load(RadioImage());
    const test::TempFolder folder;
    const fs::path& dir = folder.Path();
    // The context of what the generation into `page` raises; empty when it raises nothing.
    const auto failure = [&](const std::string& page) -> std::string {
        try {
            GenerateReport(ReportKind::Overview, root, dir.string(), std::nullopt, page);
        } catch (const CVEXPRGException& e) {
            return std::to_string(e.MessageId()) + e.Context();
        }
        return "";
    };
    EXPECT_THAT(failure(""),
                AllOf(StartsWith("101"), HasSubstr("(CReportOptionDlg::LoadReportTemplate:"),
                      HasSubstr("Open template file failed")));
    EXPECT_FALSE(fs::exists(dir / "OverviewReport.htm"));

    std::ofstream(dir / "OverviewReport.tpl") << kTemplate;
    EXPECT_THAT(failure((dir / "missing" / "page.htm").string()),
                AllOf(StartsWith("101"), HasSubstr("(CReportOptionDlg::SaveReport:"),
                      HasSubstr("Open script file failed")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    EXPECT_EQ(GenerateReport(ReportKind::Overview, root, dir.string(), std::nullopt),
              (dir / "OverviewReport.htm").string());
}

TEST(EmbedPictures, PutsEveryFoundPictureInsideThePage) {
    const test::TempFolder folder;
    const fs::path& dir = folder.Path();
    for (const char* bytes : {"A", "AB", "ABC", "ABCD"})
        std::ofstream(dir / (std::string(bytes) + ".png"), std::ios::binary) << bytes;
    const std::string page =
        "<img src=\"A.png\"><img SRC = \"AB.png\"><img src=\"ABC.png\"><img src=\"ABCD.png\">"
        "<img src=\"none.png\"><img src=\"http://x/A.png\"><p>nosrc=\"A.png\"</p>";
    EXPECT_EQ(EmbedPictures(page, {"/nowhere", dir.string()}),
              "<img src=\"data:image/png;base64,QQ==\"><img SRC = \"data:image/png;base64,QUI=\">"
              "<img src=\"data:image/png;base64,QUJD\"><img src=\"data:image/png;base64,QUJDRA==\">"
              "<img src=\"none.png\"><img src=\"http://x/A.png\"><p>nosrc=\"A.png\"</p>");
}

}  // namespace
}  // namespace vex
