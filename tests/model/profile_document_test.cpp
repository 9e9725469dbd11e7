// The profile document: files (plain and scrambled, sorted, saved without risk to the previous
// file), new profiles from a template or an image, the image round trip with its context lines,
// the template listing, and the radio clock.

#include "model/profile_document.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "common/exception.h"
#include "model/fixtures/model_test_support.h"
#include "model/profile_text.h"
#include "model/radio_clock.h"

namespace vex {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Whether `needles`, each of which must be found, come in this order in `text`.
bool Ascending(const std::string& text, const std::vector<std::string>& needles) {
    std::vector<std::size_t> at;
    for (const auto& needle : needles) {
        at.push_back(text.find(needle));
        EXPECT_NE(at.back(), std::string::npos) << needle;
    }
    return std::is_sorted(at.begin(), at.end());
}

class ProfileDocumentTest : public ::testing::Test {
  protected:
    ProfileDocumentTest() : m_template(test::kEmptyScript) {}

    ProfileDocument& Doc() { return m_doc; }
    std::string File(const std::string& name) const { return m_template.File(name); }

    // SmallImage's profile text as the adaptor writes it: lists in slot order, not sorted, with
    // a lower-case text to show that sorting ignores case.
    static std::string UnsortedText() {
        VirtualCP image = test::SmallImage();
        image.m_texts[2] = "ahead";
        return test::ProfileText(image);
    }

    test::TemplateFolder m_template;
    std::vector<std::string> m_scriptErrors;
    ProfileDocument m_doc{m_template.Path(),
                          [this](const std::string& text) { m_scriptErrors.push_back(text); }};
};

TEST_F(ProfileDocumentTest, StartsEmptyUnmodifiedAndUsingThePcClock) {
    EXPECT_FALSE(Doc().HasProfile());
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_TRUE(Doc().UsePCClock());
    EXPECT_EQ(Doc().Title(), "");
    EXPECT_EQ(test::Raised([&] { Doc().Save(File("never.lam")); }).MessageId(), ids::kUnknownError);
    EXPECT_FALSE(fs::exists(File("never.lam")));
}

TEST_F(ProfileDocumentTest, SaveWritesScrambledTextWithEveryListSorted) {
    // A template is loaded as it is, so the live profile keeps the unsorted order...
    m_template.Write("unsorted.lam", UnsortedText());
    Doc().NewFromTemplate(File("unsorted.lam"));
    EXPECT_EQ(Doc().Title(), "");
    EXPECT_FALSE(Doc().IsModified());
    const std::string live = Doc().Model().Serialise();
    ASSERT_FALSE(Ascending(live, {"\"Ann\"", "\"Bob\""}));

    // ...and the saved file has its lists in ascending order, without regard to case (that all
    // four lists are sorted is pinned by the sorting tests).
    Doc().SetModifiedFlag();
    Doc().Save(File("saved.lam"));
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(Doc().Title(), "saved.lam");
    std::string file = test::ReadText(File("saved.lam"));
    ASSERT_GT(file.size(), kXmlFileStart.size());
    Scramble(file);
    EXPECT_EQ(file.substr(0, kXmlFileStart.size()), kXmlFileStart);
    EXPECT_TRUE(Ascending(file, {"\"ahead\"", "\"Call base\"", "\"On my way\""}));
    EXPECT_EQ(file, Doc().ProfileText());

    // The save sorts a copy, and so does an image taken of it: the live profile is untouched.
    VirtualCP image;
    Doc().GetVirtualCPData(image);
    EXPECT_EQ(Doc().Model().Serialise(), live);
    EXPECT_EQ(image.m_texts[0], "ahead");

    // An open sorts the lists before it loads them, scrambled or plain: the saved file and the
    // unsorted template open as the same live profile, in order.
    for (const char* name : {"saved.lam", "unsorted.lam"}) {
        SCOPED_TRACE(name);
        ProfileDocument reopened(m_template.Path());
        reopened.SetModifiedFlag();
        reopened.Open(File(name));
        EXPECT_EQ(reopened.Title(), name);
        EXPECT_FALSE(reopened.IsModified());
        EXPECT_EQ(reopened.Model().Serialise(), file);
    }
}

TEST_F(ProfileDocumentTest, AFailedSaveRaisesAndLeavesEverythingAsItWas) {
    Doc().NewFromImage(test::SmallImage());
    ASSERT_TRUE(Doc().IsModified());
    const std::string title = Doc().Title();

    const auto expectFailure = [&](const std::string& path, const char* reason) {
        SCOPED_TRACE(path);
        const CVEXPRGException e = test::Raised([&] { Doc().Save(path); });
        EXPECT_EQ(e.MessageId(), kSaveFailedMessage);
        EXPECT_THAT(e.Context(), HasSubstr("File='" + path + "'"));
        EXPECT_THAT(e.Context(), HasSubstr(reason));
        EXPECT_TRUE(Doc().IsModified());
        EXPECT_EQ(Doc().Title(), title);
    };

    // A folder that does not exist.
    expectFailure(File("missing/profile.lam"), "No such file");

    // A folder, with a file in it, where the profile would go: both survive.
    fs::create_directory(File("taken.lam"));
    m_template.Write("taken.lam/keep.txt", "previous");
    const auto before =
        std::distance(fs::directory_iterator(m_template.Path()), fs::directory_iterator());
    expectFailure(File("taken.lam"), "directory");
    EXPECT_TRUE(fs::is_directory(File("taken.lam")));
    EXPECT_EQ(test::ReadText(File("taken.lam/keep.txt")), "previous");
    // No temporary file left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_template.Path()), fs::directory_iterator()),
              before);

    // A good save after the failures writes and clears the flag.
    Doc().Save(File("good.lam"));
    EXPECT_FALSE(Doc().IsModified());
}

// That an image comes out sorted is pinned by the save test; the whole round trip of a radio's
// image is taken by the transfer tests of the command-line tool and the window.
TEST_F(ProfileDocumentTest, ImagesReplaceTheProfileOrFailWithTheirContextLines) {
    // Out: a profile that the schema takes but the image cannot hold (151 contacts).
    m_template.Write("overfull.lam", test::Insert(test::ProfileText(test::FullImage()),
                                                  "</PublicGroups>", test::kPublicGroupElement, 1));
    Doc().Open(File("overfull.lam"));
    VirtualCP image;
    CVEXPRGException e = test::Raised([&] { Doc().GetVirtualCPData(image); });
    EXPECT_EQ(e.MessageId(), ids::kInvalidProfile);
    EXPECT_THAT(e.Context(), HasSubstr("CDataAdaptor::XML2VirtualCP"));
    EXPECT_THAT(e.Context(), EndsWith("\n(CVEXPRGDoc::GetVirtualCPData:189) Exception Caught"));

    // In: a radio of an unsupported model; the profile already open stays.
    const std::string before = Doc().ProfileText();
    Doc().SetModifiedFlag(false);
    VirtualCP unsupported = test::SmallImage();
    unsupported.m_limits.clone_compatibility_version = 9;
    e = test::Raised([&] { Doc().SetVirtualCPData(unsupported); });
    EXPECT_EQ(e.MessageId(), kUnsupportedRadioModel);
    EXPECT_THAT(e.Context(), HasSubstr("CRadioDataModel::"));
    EXPECT_THAT(e.Context(), EndsWith("\n(CVEXPRGDoc::SetVirtualCPData:221) Exception Catched"));
    EXPECT_EQ(Doc().ProfileText(), before);
    EXPECT_FALSE(Doc().IsModified());

    // A radio that fits replaces the profile; the window keeps its title.
    EXPECT_TRUE(Doc().SetVirtualCPData(test::SmallImage()));
    EXPECT_NE(Doc().ProfileText(), before);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_EQ(Doc().Title(), "overfull.lam");
}

TEST_F(ProfileDocumentTest, AFailedOpenKeepsTheOpenProfile) {
    Doc().NewFromImage(test::SmallImage());
    const std::string before = Doc().ProfileText();

    VirtualCP unsupported = test::SmallImage();
    unsupported.m_limits.clone_compatibility_version = 9;
    m_template.Write("nine.lam", test::ProfileText(unsupported));
    m_template.Write("garbage.lam", "<?xml version=\"1.0\"?><VEXProfile");
    const std::string small = test::ProfileText(test::SmallImage());
    const std::size_t first = small.find("<Private\r");
    const std::string one = small.substr(first, small.find("</Private>", first) + 10 - first);
    m_template.Write("151.lam", test::Insert(small, "</Privates>", one, 150));
    // Larger than any profile: refused at once, however the bytes would parse.
    m_template.Write("huge.lam", std::string(kMaxProfileTextSize + 1, ' '));
    std::string attributes;
    for (int i = 0; i <= 256; ++i) attributes += " a" + std::to_string(i) + "='>'";
    m_template.Write("attributes.lam", "<?xml version=\"1.0\"?><VEXProfile" + attributes + "/>");
    struct Row {
        std::string path;
        int message;
        const char* context;
    };
    const Row rows[] = {
        {File("nine.lam"), kUnsupportedRadioModel, "CRadioDataModel::ValidateProfile"},
        {File("absent.lam"), ids::kInvalidProfile, "absent.lam"},
        {File("garbage.lam"), ids::kInvalidProfile, ""},
        {File("151.lam"), ids::kInvalidProfile, "Privates holds more than 150 elements"},
        {File("huge.lam"), ids::kInvalidProfile, "larger than 2097152 bytes"},
        {"/dev/zero", ids::kInvalidProfile, "larger than 2097152 bytes"},  // never ends
        {File("attributes.lam"), ids::kInvalidProfile, "more than 256 attributes"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const CVEXPRGException e = test::Raised([&] { Doc().Open(row.path); });
        EXPECT_EQ(e.MessageId(), row.message);
        EXPECT_THAT(e.Context(), HasSubstr(row.context));
        EXPECT_EQ(Doc().ProfileText(), before);
        EXPECT_EQ(Doc().Title(), "1001");
        EXPECT_TRUE(Doc().IsModified());
    }
    EXPECT_THAT(m_scriptErrors, IsEmpty());
}

TEST(ProfileDocumentTemplates, ListsTheModelFilesOnlySorted) {
    test::TemplateFolder folder(test::kEmptyScript);
    for (const char* name :
         {"V480.lam", "A100.lam", "Zed.lam", "notes.txt", "V480.lam.bak", ".lam", "Caps.LAM"}) {
        folder.Write(name, "x");
    }
    fs::create_directory(folder.File("Folder.lam"));
    fs::create_directory_symlink(folder.File("Folder.lam"), folder.File("Link.lam"));
    fs::create_symlink(folder.File("Zed.lam"), folder.File("Alias.lam"));
    EXPECT_THAT(ListTemplateModels(folder.Path()), ElementsAre("A100", "Alias", "V480", "Zed"));
    EXPECT_EQ(TemplateModelPath(folder.Path(), "V480"), folder.File("V480.lam"));
    EXPECT_THAT(ListTemplateModels(folder.File("no-such-folder")), IsEmpty());
}

// The radio clock counts every fourth year from 1972 as a leap year, with no century rule.
TEST(RadioClock, CountsSecondsWithTheFourYearRuleWithinThirtyTwoBits) {
    const struct {
        int year, month, day, hour, minute, second;
        std::uint32_t seconds;
    } rows[] = {
        // Hand-computed: days before the year (365 a year, plus the leap days 1972, 1976, ...
        // before it), plus the month lengths before the month (Feb 29 in a leap year), plus the
        // day - 1.
        {1970, 1, 1, 0, 0, 0, 0u},
        {1972, 2, 29, 0, 0, 0, 789u * 86400},  // 730 + 31 + 28
        {1972, 3, 1, 0, 0, 0, 790u * 86400},   // 730 + 31 + 29 = 68256000
        // 2000: 30 * 365 + 7 leap days (1972..1996) = 10957; + 31 + 29.
        {2000, 3, 1, 0, 0, 0, 11017u * 86400},
        // 2100-03-01: 130 * 365 + 32 leap days (1972..2096) = 47482; + 31 + 29 = 47542 days.
        // The civil calendar has no 2100-02-29, so the radio's count is one day ahead of it here.
        {2100, 3, 1, 0, 0, 0, 47542u * 86400},
        {2100, 2, 28, 0, 0, 0, 47540u * 86400},  // before the leap day: both calendars agree
        // 2106-02-06 06:28:15 is the last second the field holds (one day before the civil
        // calendar's limit, for 2100's leap day); later times stay at the top, earlier ones at 0.
        {2106, 2, 6, 6, 28, 15, 0xFFFFFFFFu},
        {2106, 2, 6, 6, 28, 14, 0xFFFFFFFEu},
        {2106, 2, 8, 0, 0, 0, 0xFFFFFFFFu},
        {1969, 12, 31, 23, 59, 59, 0u},
        // Fields past their range carry over: month 13 is January of the next year, month 0
        // December of the one before (365 + 334 days), hour 24 the next day.
        {1971, 13, 1, 0, 0, 0, 730u * 86400},
        {1972, 0, 1, 0, 0, 0, 699u * 86400},
        {1972, 2, 28, 24, 0, 0, 789u * 86400},
    };
    for (const auto& row : rows) {
        std::tm time{};
        time.tm_year = row.year - 1900;
        time.tm_mon = row.month - 1;
        time.tm_mday = row.day;
        time.tm_hour = row.hour;
        time.tm_min = row.minute;
        time.tm_sec = row.second;
        time.tm_isdst = -1;
        SCOPED_TRACE(std::to_string(row.year) + "-" + std::to_string(row.month) + "-" +
                     std::to_string(row.day) + " " + std::to_string(row.hour));
        EXPECT_EQ(RadioClockSeconds(time), row.seconds);
    }
}

}  // namespace
}  // namespace vex
