// The model template's rule script and default profiles, run through the data model exactly as
// the pages and the navigation tree use them.

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "codeplug/data_adaptor.h"
#include "codeplug/virtual_cp.h"
#include "common/file_io.h"
#include "model/data_item.h"
#include "model/fixtures/model_test_support.h"
#include "model/profile_text.h"
#include "model/radio_data_model.h"

namespace vex {
namespace {

const std::string kTemplateFolder = std::string(VEX_SOURCE_DATA_DIR) + "/ProfileTemplate";
const std::string kFixturePath =
    (std::filesystem::path(__FILE__).parent_path() / "fixtures/rules/two_channels.lam").string();

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kQuestionStyle = 0x21;  // MB_OKCANCEL | MB_ICONQUESTION
constexpr int kNoticeStyle = 0x40;    // MB_OK | MB_ICONINFORMATION

std::string ReadText(const std::string& path) {
    std::string text;
    std::string error;
    EXPECT_TRUE(ReadWholeFile(path, text, error)) << error;
    return text;
}

// `text` with the first attribute `name` set to `value`.
std::string WithAttribute(const std::string& text, const std::string& name,
                          const std::string& value) {
    const std::regex attribute("(\\s)" + name + "\\s*=\\s*\"[^\"]*\"");
    EXPECT_TRUE(std::regex_search(text, attribute)) << name;
    return std::regex_replace(text, attribute, "$1" + name + "=\"" + value + "\"",
                              std::regex_constants::format_first_only);
}

// What a hook answered to a SetVal or OnDelete call.
struct Outcome {
    int result = 0;
    int msgId = 0;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << "{result " << o.result << ", msgId " << o.msgId << "}";
}

constexpr Outcome kTaken{0, 0};

Outcome Refused(int msgId) {
    return {1, msgId};
}

std::string Describe(const AttributeValue& value) {
    if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
    if (const auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
    if (const auto* u = std::get_if<std::uint32_t>(&value)) return std::to_string(*u) + "u";
    return "\"" + std::get<std::string>(value) + "\"";
}

// A data model with the real template folder.
class RulesModel {
  public:
    void Load(const std::string& source, bool isPath = false) {
        m_model = std::make_unique<CRadioDataModel>(
            kTemplateFolder, [this](const std::string& text) { m_reports.push_back(text); });
        ASSERT_EQ(m_model->LoadProfile(source, isPath), 1);
    }

    CDataItem Root() const { return m_model->RootItem(); }

    CDataItem List(const std::string& name) const {
        if (name == "TextMessages") return Root().GetChildByName(name);
        return Root().GetChildByName("Contacts").GetChildByName(name);
    }

    // The contact named `name`; an empty item (and a failure) when there is none.
    CDataItem Contact(const std::string& name) const {
        const int at = IndexOf(name);
        if (at >= 0) return m_lastList.GetChildByIndex(at);
        ADD_FAILURE() << "no contact " << name;
        return CDataItem();
    }

    bool Exists(const std::string& name) const { return IndexOf(name) >= 0; }

    static std::string Attr(const CDataItem& item, const char* name) {
        xmlChar* value = xmlGetNoNsProp(item.Node(), reinterpret_cast<const xmlChar*>(name));
        if (value == nullptr) return "(none)";
        std::string text(reinterpret_cast<const char*>(value));
        xmlFree(value);
        return text;
    }
    std::string Attr(const std::string& contact, const char* name) const {
        return Attr(Contact(contact), name);
    }

    Outcome Set(CDataItem item, const std::string& attribute, const AttributeValue& value,
                int answer = 0) {
        Outcome outcome;
        outcome.result = item.SetAttributeValue(attribute, value, outcome.msgId, answer, m_style);
        return outcome;
    }
    Outcome Set(const std::string& contact, const std::string& attribute,
                const AttributeValue& value, int answer = 0) {
        return Set(Contact(contact), attribute, value, answer);
    }
    Outcome SetSetting(const std::string& attribute, const AttributeValue& value) {
        return Set(Root().GetChildByName("setting"), attribute, value);
    }

    Outcome Delete(const std::string& contact, int confirmed) {
        const int at = IndexOf(contact);
        EXPECT_GE(at, 0) << contact;
        Outcome outcome;
        outcome.result = m_lastList.RemoveChildByIndex(at, outcome.msgId, confirmed, m_style);
        return outcome;
    }

    // The group PIDs a private belongs to, in document order.
    std::vector<std::string> Groups(const std::string& privateName) const {
        const CDataItem list = Contact(privateName).GetChildByName("ParentPrivateGroups");
        std::vector<std::string> pids;
        for (int i = 0; i < list.GetChildCount(); ++i) {
            pids.push_back(Attr(list.GetChildByIndex(i), "pid"));
        }
        return pids;
    }

    std::vector<std::string> Members(const std::string& groupPid) const {
        std::vector<std::string> pids;
        std::vector<std::string> names;
        CDataItem::GetGroupMemeber(Root(), groupPid, pids, names);
        return names;
    }

    std::string Text() const { return m_model->Serialise(); }
    int Style() const { return m_style; }
    const std::vector<std::string>& Reports() const { return m_reports; }
    const CRadioDataModel& Model() const { return *m_model; }

  private:
    int IndexOf(const std::string& name) const {
        for (const char* listName : {"PublicGroups", "PrivateGroups", "Privates"}) {
            const CDataItem list = List(listName);
            for (int i = 0; i < list.GetChildCount(); ++i) {
                if (Attr(list.GetChildByIndex(i), "name") == name) {
                    m_lastList = list;
                    return i;
                }
            }
        }
        return -1;
    }

    std::unique_ptr<CRadioDataModel> m_model;
    std::vector<std::string> m_reports;
    mutable CDataItem m_lastList;
    int m_style = 0;
};

// The fixture profile: contacts on channels 1 to 3 of 4 (see fixtures/rules/two_channels.lam).
//   public groups  Fire 9999 ch1 scanned, Rescue 9998 ch2, Harbour 9997 ch2 scanned (pool 9999
//                  down to 9988)
//   private groups Crew 500 ch1 {Ann, Bob}, Night watch 501 ch1 {Ann}, Dock 502 ch2 {Dan},
//                  Team 1..5 511..515 ch3 {Fay}
//   privates       Ann 101 ch1 home 501, Bob 102 ch1 home 9999, Cy 103 ch1 home 501 (no groups,
//                  id_in_use 0), Dan 201 ch2 home 9997, Eve 202 ch2, Fay 301 ch3 (5 groups)
struct ValueCase {
    const char* contact;
    const char* attribute;
    AttributeValue value;
    Outcome outcome;
    const char* stored;  // the attribute's text afterwards (the old one after a refusal)
};

class RulesTest : public ::testing::Test, public RulesModel {
  protected:
    void SetUp() override { Reload(); }
    void TearDown() override {
        EXPECT_TRUE(Reports().empty()) << "rule script error: " << Reports().front();
    }
    void Reload(const std::string& text = ReadText(kFixturePath)) { Load(text); }

    // Each case on a freshly loaded fixture.
    void RunValueCases(const std::vector<ValueCase>& cases) {
        for (const ValueCase& c : cases) {
            SCOPED_TRACE(std::string(c.contact) + " " + c.attribute + " = " + Describe(c.value));
            Reload();
            const CDataItem item = Contact(c.contact);
            const std::string before = Text();
            EXPECT_EQ(Set(item, c.attribute, c.value), c.outcome);
            EXPECT_EQ(Attr(item, c.attribute), c.stored);
            if (c.outcome.result != 0) {
                EXPECT_EQ(Text(), before);
            }
        }
    }
};

TEST_F(RulesTest, ScriptDefinesEveryFunctionTheSchemaNames) {
    const std::string schema = ReadText(kTemplateFolder + "/DataProfile.xsd");
    const std::regex hook("(SetVal|CanAddChild|OnAddNew|OnDelete|IsEnabled)=\"([A-Za-z_0-9]+)\"");
    int named = 0;
    for (auto it = std::sregex_iterator(schema.begin(), schema.end(), hook);
         it != std::sregex_iterator(); ++it) {
        ++named;
        EXPECT_TRUE(Model().Script()->HasFunction((*it)[2].str())) << (*it)[2].str();
    }
    EXPECT_GE(named, 25);  // the schema names 25 hooks today
    EXPECT_EQ(ReadText(kTemplateFolder + "/DataProfile.lua").rfind(kRuleScriptFileStart, 0), 0u);
}

// ------------------------------------------------------------------------------------------------
// Values of contacts

TEST_F(RulesTest, NamesArePrintableAtMostTwentyCharactersAndUniqueWithoutRegardToCase) {
    const std::string twenty(20, 'x');
    const std::string latinTwenty = [] {
        std::string s;
        for (int i = 0; i < 20; ++i) s += "\xC3\xA9";  // é: 20 characters in 40 bytes
        return s;
    }();
    const std::string tooLong = twenty + "x";
    RunValueCases({
        {"Bob", "name", std::string("Robert"), kTaken, "Robert"},
        {"Bob", "name", std::string("BOB"), kTaken, "BOB"},
        {"Bob", "name", std::string("ann"), Refused(127), "Bob"},
        {"Crew", "name", std::string("HARBOUR"), Refused(127), "Crew"},
        {"Fire", "name", std::string("night WATCH"), Refused(127), "Fire"},
        {"Bob", "name", twenty, kTaken, twenty.c_str()},
        {"Bob", "name", latinTwenty, kTaken, latinTwenty.c_str()},
        {"Bob", "name", tooLong, Refused(165), "Bob"},
        {"Bob", "name", std::string(""), Refused(126), "Bob"},
        {"Bob", "name", std::string("   "), Refused(126), "Bob"},
        {"Bob", "name", std::string("a\tb"), Refused(126), "Bob"},
        {"Bob", "name", std::uint32_t{5}, Refused(126), "Bob"},
        // Every character of the radio's Windows-1252 bytes: the euro sign, typographic quotes and
        // dashes, and the C1 controls that stand for its undefined bytes; no other character.
        {"Bob", "name",
         std::string("\xE2\x82\xAC\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\x93\xE2\x80\x94"),
         kTaken, "\xE2\x82\xAC\xE2\x80\x99\xE2\x80\x9C\xE2\x80\x9D\xE2\x80\x93\xE2\x80\x94"},
        {"Bob", "name", std::string("\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"), kTaken,
         "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
        {"Bob", "name", std::string(20, 'x').replace(0, 1, "\xE2\x80\xA6"), kTaken,
         std::string(20, 'x').replace(0, 1, "\xE2\x80\xA6").c_str()},
        {"Bob", "name", std::string("\xC2\x80"), Refused(126), "Bob"},  // 0x80 is the euro sign
        {"Bob", "name", std::string("a\xC2\x85"), Refused(126), "Bob"},
        {"Bob", "name", std::string("\xC4\x80"), Refused(126), "Bob"},      // U+0100
        {"Bob", "name", std::string("\xE2\x82\xAD"), Refused(126), "Bob"},  // U+20AD
    });

    // Capitals of ISO 8859-1 and of Windows-1252 match their small letters.
    Reload();
    EXPECT_EQ(Set("Eve", "name", std::string("\xC3\x89mile")), kTaken);
    EXPECT_EQ(Set("Bob", "name", std::string("\xC3\xA9MILE")), Refused(127));
    EXPECT_EQ(Set("Dan", "name", std::string("\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8")), kTaken);
    EXPECT_EQ(Set("Bob", "name", std::string("\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF")), Refused(127));
}

// A name or text as a radio holds it is kept unchanged: image, profile text, a page committing
// the unchanged value, image again, byte for byte.
TEST_F(RulesTest, NamesAndTextsFromARadioAreKeptByteForByte) {
    VirtualCP image;
    CDataAdaptor::XML2VirtualCP(ReadText(kFixturePath), image);
    const int bob = image.FindContact("102", 0);
    ASSERT_GE(bob, 0);
    image.m_contacts[static_cast<std::size_t>(bob)].name = "Bob\x92s \x81\x80";
    image.m_texts[0] = "\x93Hi\x94 \x85 \x9D";
    std::string text;
    CDataAdaptor::VirtualCP2XML(image, text);
    Reload(text);
    const std::string name = Attr("Bob\xE2\x80\x99s \xC2\x81\xE2\x82\xAC", "name");
    ASSERT_EQ(Set("Bob\xE2\x80\x99s \xC2\x81\xE2\x82\xAC", "name", name), kTaken);
    CDataItem message = List("TextMessages").GetChildByIndex(0);
    ASSERT_EQ(Set(message, "txt", RulesModel::Attr(message, "txt")), kTaken);

    VirtualCP again;
    CDataAdaptor::XML2VirtualCP(Text(), again);
    const int at = again.FindContact("102", 0);
    ASSERT_GE(at, 0);
    EXPECT_EQ(again.m_contacts[static_cast<std::size_t>(at)].name, "Bob\x92s \x81\x80");
    EXPECT_EQ(again.m_texts[0], "\x93Hi\x94 \x85 \x9D");
}

TEST_F(RulesTest, PidsOfPrivatesAndPrivateGroupsLieInTheRangeAndAreNotTaken) {
    RunValueCases({
        {"Cy", "pid", std::string("150"), kTaken, "150"},
        {"Cy", "pid", std::string("0150"), kTaken, "150"},
        {"Cy", "pid", std::uint32_t{150}, kTaken, "150"},
        {"Cy", "pid", std::string("100"), kTaken, "100"},
        {"Cy", "pid", std::string("999"), kTaken, "999"},
        {"Cy", "pid", std::string("99"), Refused(126), "103"},
        {"Cy", "pid", std::string("1000"), Refused(126), "103"},
        {"Cy", "pid", std::string("17179869184000"), Refused(126), "103"},
        {"Cy", "pid", std::string("12a"), Refused(126), "103"},
        {"Cy", "pid", std::string(" 150"), Refused(126), "103"},
        {"Cy", "pid", std::string(""), Refused(126), "103"},
        {"Cy", "pid", std::string("102"), Refused(132), "103"},
        {"Cy", "pid", std::string("9999"), Refused(126), "103"},
        {"Crew", "pid", std::string("600"), kTaken, "600"},
        {"Crew", "pid", std::string("502"), Refused(132), "500"},
        {"Crew", "pid", std::string("9999"), Refused(126), "500"},
        // A private group may borrow the PID of a private whose id_in_use
        // is 0, and only of such a private.
        {"Crew", "pid", std::string("103"), kTaken, "103"},
        {"Crew", "pid", std::string("102"), Refused(132), "500"},
        {"Cy", "pid", std::string("501"), kTaken, "501"},
        {"Bob", "pid", std::string("501"), Refused(132), "102"},
    });

    Reload();
    EXPECT_EQ(Set("Eve", "id_in_use", false), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "0");
}

// id_in_use says whether a private group holds the private's PID: the private group page offers
// the PIDs of the privates whose id_in_use is 0, and each of them must be one a group can take.
TEST_F(RulesTest, IdInUseFollowsTheGroupThatHoldsThePrivatesPid) {
    ASSERT_EQ(Set("Crew", "pid", std::string("103")), kTaken);
    EXPECT_EQ(Attr("Cy", "id_in_use"), "1");
    EXPECT_EQ(Set("Night watch", "pid", std::string("103")), Refused(132));
    EXPECT_EQ(Set("Cy", "id_in_use", false), Refused(132));
    EXPECT_EQ(Set("Cy", "id_in_use", true), kTaken);
    EXPECT_EQ(Set("Crew", "pid", std::string("103")), kTaken);  // a group keeps its own PID

    // Cy moves on: it no longer shares a PID, and a private may take the group's PID.
    ASSERT_EQ(Set("Cy", "pid", std::string("150")), kTaken);
    EXPECT_EQ(Attr("Cy", "id_in_use"), "0");
    ASSERT_EQ(Set("Eve", "id_in_use", false), kTaken);
    ASSERT_EQ(Set("Eve", "pid", std::string("103")), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "1");

    // The group gives the PID back: with a new PID, or deleted.
    ASSERT_EQ(Set("Crew", "pid", std::string("600")), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "0");
    ASSERT_EQ(Set("Night watch", "pid", std::string("103")), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "1");
    ASSERT_EQ(Delete("Night watch", 1), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "0");
}

TEST_F(RulesTest, PublicGroupPidsComeFromTheFreePositionsOfThePool) {
    RunValueCases({
        {"Rescue", "pid", std::string("9996"), kTaken, "9996"},
        {"Rescue", "pid", std::string("9988"), kTaken, "9988"},
        {"Rescue", "pid", std::string("09996"), kTaken, "9996"},
        {"Rescue", "pid", std::string("9987"), Refused(126), "9998"},
        {"Rescue", "pid", std::string("10000"), Refused(126), "9998"},
        {"Rescue", "pid", std::string("500"), Refused(126), "9998"},
        {"Rescue", "pid", std::string("99x"), Refused(126), "9998"},
        {"Rescue", "pid", std::string("9997"), Refused(132), "9998"},
    });
}

TEST_F(RulesTest, ChangingAGroupPidCarriesEveryReferenceAlong) {
    ASSERT_EQ(Set("Night watch", "pid", std::string("601")), kTaken);
    EXPECT_EQ(Groups("Ann"), (std::vector<std::string>{"500", "601"}));
    EXPECT_EQ(Attr("Ann", "home_grp"), "601");
    EXPECT_EQ(Attr("Cy", "home_grp"), "601");

    ASSERT_EQ(Set("Crew", "pid", std::string("600")), kTaken);
    EXPECT_EQ(Groups("Ann"), (std::vector<std::string>{"600", "601"}));
    EXPECT_EQ(Groups("Bob"), (std::vector<std::string>{"600"}));
    EXPECT_TRUE(Members("500").empty());

    ASSERT_EQ(Set("Fire", "pid", std::string("9996")), kTaken);
    EXPECT_EQ(Attr("Bob", "home_grp"), "9996");
    EXPECT_EQ(Attr("Dan", "home_grp"), "9997");
}

TEST_F(RulesTest, OtherContactValuesAreCheckedAndWrittenAsText) {
    RunValueCases({
        {"Fire", "channel", std::uint32_t{0}, Refused(126), "1"},
        {"Rescue", "channel", std::uint32_t{5}, Refused(126), "2"},
        {"Crew", "channel", std::string("x"), Refused(126), "1"},
        {"Eve", "channel", std::uint32_t{5}, Refused(126), "2"},
        {"Dan", "channel", std::uint32_t{2}, kTaken, "2"},
        // Outside a scan list, without members, groups or home: at once.
        {"Rescue", "channel", std::uint32_t{1}, kTaken, "1"},
        {"Eve", "channel", std::uint32_t{1}, kTaken, "1"},
        {"Rescue", "in_scroll_list", true, kTaken, "1"},
        {"Crew", "in_scroll_list", false, kTaken, "0"},
        {"Eve", "in_scroll_list", std::uint32_t{2}, Refused(126), "0"},
        {"Eve", "show_grp_only", std::string("1"), kTaken, "1"},
        {"Eve", "mngr_mode", true, kTaken, "1"},
        {"Eve", "see_all_groups", true, kTaken, "1"},
        {"Eve", "alert_tone", std::uint32_t{12}, kTaken, "12"},
        {"Eve", "alert_tone", std::uint32_t{13}, Refused(126), "5"},
        {"Eve", "alert_tone", std::uint32_t{0}, Refused(126), "5"},
        {"Eve", "cntct_type", std::uint32_t{0}, kTaken, "0"},
        {"Eve", "cntct_type", std::uint32_t{1}, Refused(126), "0"},
        {"Fire", "cntct_type", std::uint32_t{0}, Refused(126), "2"},
    });
}

TEST_F(RulesTest, HomeGroupIsAGroupOfThePrivatesChannelOrNone) {
    RunValueCases({
        {"Cy", "home_grp", std::string(""), kTaken, ""},
        {"Cy", "home_grp", std::string("500"), kTaken, "500"},
        {"Cy", "home_grp", std::string("9999"), kTaken, "9999"},
        {"Cy", "home_grp", std::string("09999"), kTaken, "9999"},
        {"Cy", "home_grp", std::string("9997"), Refused(139), "501"},
        {"Cy", "home_grp", std::string("502"), Refused(139), "501"},
        {"Cy", "home_grp", std::string("777"), Refused(138), "501"},
        {"Cy", "home_grp", std::string("102"), Refused(138), "501"},
        {"Cy", "home_grp", std::string("x"), Refused(126), "501"},
    });
}

// The radio holds a home private group among the private's groups: the profile says so too.
TEST_F(RulesTest, AHomePrivateGroupIsOneOfThePrivatesGroups) {
    ASSERT_EQ(Set("Bob", "home_grp", std::string("501")), kTaken);
    EXPECT_EQ(Groups("Bob"), (std::vector<std::string>{"500", "501"}));
    ASSERT_EQ(Set("Bob", "home_grp", std::string("500")), kTaken);
    EXPECT_EQ(Groups("Bob"), (std::vector<std::string>{"500", "501"}));

    // Leaving the home group's membership leaves the home group.
    CDataItem bobs = Contact("Bob").GetChildByName("ParentPrivateGroups");
    std::int32_t msgId = 0;
    std::int32_t style = 0;
    ASSERT_EQ(bobs.RemoveChildByIndex(0, msgId, 0, style), 0);
    EXPECT_EQ(Attr("Bob", "home_grp"), "");

    // A private in five groups cannot take a sixth as its home group (room for four more groups
    // first: the fixture allows ten).
    ASSERT_EQ(Delete("Team 4", 1), kTaken);
    ASSERT_EQ(Delete("Team 5", 1), kTaken);
    CDataItem anns = Contact("Ann").GetChildByName("ParentPrivateGroups");
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(List("PrivateGroups").AddNewChild().IsEmpty());
        ASSERT_FALSE(anns.AddNewChild().IsEmpty());
    }
    const CDataItem sixth = List("PrivateGroups").AddNewChild();
    ASSERT_EQ(RulesModel::Attr(sixth, "channel"), "1");
    const std::string before = Text();
    EXPECT_EQ(Set("Ann", "home_grp", RulesModel::Attr(sixth, "pid")), Refused(140));
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(Set("Ann", "home_grp", std::string("9999")), kTaken);  // a public group
}

// ------------------------------------------------------------------------------------------------
// Channel changes

TEST_F(RulesTest, PublicGroupInAScanListAsksAndThenStaysScannedOnItsNewChannel) {
    const std::string before = Text();
    EXPECT_EQ(Set("Fire", "channel", std::uint32_t{2}), (Outcome{2, 133}));
    EXPECT_EQ(Style(), kQuestionStyle);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(Set("Fire", "channel", std::uint32_t{2}, kIdCancel).result, 1);
    EXPECT_EQ(Text(), before);

    EXPECT_EQ(Set("Fire", "channel", std::uint32_t{2}, kIdOk), kTaken);
    EXPECT_EQ(Attr("Fire", "channel"), "2");
    EXPECT_EQ(Attr("Fire", "in_scan_list"), "1");
    // Bob, on channel 1, can no longer have it as his home group.
    EXPECT_EQ(Attr("Bob", "home_grp"), "");
}

TEST_F(RulesTest, ScanListsHoldTenPublicGroupsPerChannel) {
    // Channel 2 holds Harbour; nine new groups fill its scan list (and the pool).
    for (int i = 0; i < 9; ++i) {
        CDataItem group = List("PublicGroups").AddNewChild();
        ASSERT_FALSE(group.IsEmpty()) << i;
        ASSERT_EQ(Set(group, "channel", std::uint32_t{2}), kTaken);
        ASSERT_EQ(Set(group, "in_scan_list", true), kTaken) << i;
    }
    EXPECT_EQ(CDataItem::GetScanListCount(Root(), 2), 10);
    EXPECT_FALSE(List("PublicGroups").CanAddChild());  // the pool is used up, the limit is not

    EXPECT_EQ(Set("Rescue", "in_scan_list", true), Refused(126));
    EXPECT_EQ(Attr("Rescue", "in_scan_list"), "0");
    EXPECT_EQ(Set("Harbour", "in_scan_list", true), kTaken);  // already there

    // Moving Fire to channel 2 takes the channel but not the scan list.
    EXPECT_EQ(Set("Fire", "channel", std::uint32_t{2}, kIdOk), (Outcome{0, 134}));
    EXPECT_EQ(Style(), kNoticeStyle);
    EXPECT_EQ(Attr("Fire", "channel"), "2");
    EXPECT_EQ(Attr("Fire", "in_scan_list"), "0");
    EXPECT_EQ(CDataItem::GetScanListCount(Root(), 2), 10);

    // Leaving a scan list is never bounded, and makes room again.
    EXPECT_EQ(Set("Harbour", "in_scan_list", false), kTaken);
    EXPECT_EQ(Set("Rescue", "in_scan_list", true), kTaken);
}

TEST_F(RulesTest, PrivateGroupMovesOnlyToAChannelWhereAPrivateCanJoin) {
    const std::string before = Text();
    EXPECT_EQ(Set("Dock", "channel", std::uint32_t{3}), Refused(135));  // Fay is in 5 groups
    EXPECT_EQ(Set("Dock", "channel", std::uint32_t{4}), Refused(135));  // nobody there
    EXPECT_EQ(Set("Dock", "channel", std::uint32_t{4}, kIdOk), Refused(135));
    EXPECT_EQ(Text(), before);

    // A group without members moves at once.
    CDataItem group = List("PrivateGroups").AddNewChild();
    ASSERT_FALSE(group.IsEmpty());
    EXPECT_EQ(Set(group, "channel", std::uint32_t{2}), kTaken);
    EXPECT_EQ(RulesModel::Attr(group, "channel"), "2");
}

TEST_F(RulesTest, PrivateGroupWithMembersAsksAndThenDropsMembersAndHomes) {
    const std::string before = Text();
    EXPECT_EQ(Set("Night watch", "channel", std::uint32_t{2}), (Outcome{2, 136}));
    EXPECT_EQ(Style(), kQuestionStyle);
    EXPECT_EQ(Text(), before);

    EXPECT_EQ(Set("Night watch", "channel", std::uint32_t{2}, kIdOk), kTaken);
    EXPECT_EQ(Attr("Night watch", "channel"), "2");
    EXPECT_EQ(Groups("Ann"), (std::vector<std::string>{"500"}));
    EXPECT_EQ(Attr("Ann", "home_grp"), "");
    EXPECT_EQ(Attr("Cy", "home_grp"), "");
    EXPECT_EQ(Members("500"), (std::vector<std::string>{"Ann", "Bob"}));
}

TEST_F(RulesTest, PrivateChangingChannelAsksAndThenLeavesGroupsDeletingEmptyOnes) {
    const std::string before = Text();
    EXPECT_EQ(Set("Ann", "channel", std::uint32_t{2}), (Outcome{2, 137}));
    EXPECT_EQ(Style(), kQuestionStyle);
    EXPECT_EQ(Set("Cy", "channel", std::uint32_t{2}), (Outcome{2, 137}));  // a home group only
    EXPECT_EQ(Text(), before);

    EXPECT_EQ(Set("Ann", "channel", std::uint32_t{2}, kIdOk), kTaken);
    EXPECT_EQ(Attr("Ann", "channel"), "2");
    EXPECT_TRUE(Groups("Ann").empty());
    EXPECT_EQ(Attr("Ann", "home_grp"), "");
    EXPECT_FALSE(Exists("Night watch"));    // Ann was its only member
    EXPECT_EQ(Attr("Cy", "home_grp"), "");  // it was Cy's home group
    EXPECT_EQ(Members("500"), (std::vector<std::string>{"Bob"}));

    EXPECT_EQ(Set("Dan", "channel", std::uint32_t{1}, kIdOk), kTaken);
    EXPECT_FALSE(Exists("Dock"));
    EXPECT_EQ(Attr("Dan", "home_grp"), "");
    EXPECT_EQ(List("PrivateGroups").GetChildCount(), 6);
}

// ------------------------------------------------------------------------------------------------
// Memberships

TEST_F(RulesTest, MembershipsNameAGroupOfThePrivatesChannelOnce) {
    CDataItem cy = Contact("Cy").GetChildByName("ParentPrivateGroups");
    ASSERT_TRUE(cy.CanAddChild());
    CDataItem first = cy.AddNewChild();
    ASSERT_FALSE(first.IsEmpty());
    EXPECT_EQ(RulesModel::Attr(first, "pid"), "500");  // the first group Cy can join
    EXPECT_EQ(Set(first, "pid", std::string("501")), kTaken);
    EXPECT_EQ(Members("501"), (std::vector<std::string>{"Ann", "Cy"}));

    CDataItem second = cy.AddNewChild();
    ASSERT_FALSE(second.IsEmpty());
    EXPECT_EQ(RulesModel::Attr(second, "pid"), "500");
    const std::string before = Text();
    EXPECT_EQ(Set(second, "pid", std::string("501")), Refused(126));  // already a member
    EXPECT_EQ(Set(second, "pid", std::string("502")), Refused(139));
    EXPECT_EQ(Set(second, "pid", std::string("777")), Refused(138));
    EXPECT_EQ(Set(second, "pid", std::string("9999")), Refused(138));  // a public group
    EXPECT_EQ(Set(second, "pid", std::string("x")), Refused(126));
    EXPECT_EQ(Text(), before);

    // Cy is now in both groups of channel 1: nothing is left to join.
    EXPECT_FALSE(cy.CanAddChild());
    EXPECT_TRUE(cy.AddNewChild().IsEmpty());
}

TEST_F(RulesTest, APrivateJoinsAtMostFiveGroups) {
    CDataItem fay = Contact("Fay").GetChildByName("ParentPrivateGroups");
    const std::string before = Text();
    EXPECT_FALSE(fay.CanAddChild());
    EXPECT_TRUE(fay.AddNewChild().IsEmpty());
    EXPECT_EQ(Text(), before);

    std::int32_t msgId = 0;
    std::int32_t style = 0;
    EXPECT_EQ(fay.RemoveChildByIndex(0, msgId, 0, style), 0);
    EXPECT_EQ(Groups("Fay"), (std::vector<std::string>{"512", "513", "514", "515"}));
    EXPECT_TRUE(Exists("Team 1"));  // a group left without members stays
    EXPECT_TRUE(fay.CanAddChild());
    EXPECT_EQ(RulesModel::Attr(fay.AddNewChild(), "pid"), "511");
}

// ------------------------------------------------------------------------------------------------
// Deleting

TEST_F(RulesTest, DeletingAPrivateGroupWithMembersAsksAndThenDropsEveryReference) {
    const std::string before = Text();
    EXPECT_EQ(Delete("Night watch", 0), (Outcome{2, 141}));
    EXPECT_EQ(Style(), kQuestionStyle);
    EXPECT_EQ(Text(), before);

    EXPECT_EQ(Delete("Night watch", 1), kTaken);
    EXPECT_FALSE(Exists("Night watch"));
    EXPECT_EQ(Groups("Ann"), (std::vector<std::string>{"500"}));
    EXPECT_EQ(Attr("Ann", "home_grp"), "");
    EXPECT_EQ(Attr("Cy", "home_grp"), "");
}

// A page may still hold the item of a contact that a hook deleted: it is refused, never freed.
TEST_F(RulesTest, AnItemOfADeletedContactIsRefused) {
    const CDataItem crew = Contact("Crew");
    const CDataItem dock = Contact("Dock");
    ASSERT_EQ(Delete("Crew", 1), kTaken);
    // Dan was Dock's only member: it goes with his change of channel.
    ASSERT_EQ(Set("Dan", "channel", std::uint32_t{1}, kIdOk), kTaken);
    ASSERT_FALSE(Exists("Dock"));
    for (CDataItem held : {crew, dock}) {
        EXPECT_EQ(test::Raised([&] { held.GetAttributeValue("name"); }).MessageId(), 106);
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        EXPECT_EQ(test::Raised([&] {
                      held.SetAttributeValue("name", std::string("Back"), msgId, 0, style);
                  }).MessageId(),
                  106);
    }
    EXPECT_EQ(List("PrivateGroups").GetChildCount(), 6);
}

TEST_F(RulesTest, DeletingAPrivateInGroupsAsksAndThenDeletesGroupsLeftEmpty) {
    const std::string before = Text();
    EXPECT_EQ(Delete("Ann", 0), (Outcome{2, 142}));
    EXPECT_EQ(Style(), kQuestionStyle);
    EXPECT_EQ(Text(), before);

    EXPECT_EQ(Delete("Ann", 1), kTaken);
    EXPECT_FALSE(Exists("Ann"));
    EXPECT_FALSE(Exists("Night watch"));
    EXPECT_EQ(Attr("Cy", "home_grp"), "");
    EXPECT_EQ(Members("500"), (std::vector<std::string>{"Bob"}));

    // Without groups a private goes at once, home group or not.
    EXPECT_EQ(Delete("Cy", 0), kTaken);
    EXPECT_EQ(Delete("Eve", 0), kTaken);
    EXPECT_EQ(List("Privates").GetChildCount(), 3);
}

TEST_F(RulesTest, PublicGroupsAndTextMessagesAreDeletedAtOnce) {
    EXPECT_EQ(Delete("Fire", 0), kTaken);
    EXPECT_FALSE(Exists("Fire"));
    EXPECT_EQ(Attr("Bob", "home_grp"), "");

    std::int32_t msgId = 0;
    std::int32_t style = 0;
    CDataItem texts = List("TextMessages");
    EXPECT_EQ(texts.RemoveChildByIndex(0, msgId, 0, style), 0);
    ASSERT_EQ(texts.GetChildCount(), 1);
    EXPECT_EQ(RulesModel::Attr(texts.GetChildByIndex(0), "txt"), "Call base");
}

// ------------------------------------------------------------------------------------------------
// Text messages and settings

TEST_F(RulesTest, TextMessagesHoldAtMostEightyPrintableCharacters) {
    const std::string eighty(80, 'a');
    const std::string latinEighty = "Caf\xC3\xA9" + std::string(76, 'a');  // 81 bytes
    struct Case {
        AttributeValue value;
        Outcome outcome;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {std::string("Meet at base"), kTaken, "Meet at base"},
        {eighty, kTaken, eighty},
        {latinEighty, kTaken, latinEighty},
        {eighty + "a", Refused(126), "On my way"},
        {std::string(""), Refused(126), "On my way"},
        {std::string("  "), Refused(126), "On my way"},
        {std::string("Line\r\nbreak"), Refused(126), "On my way"},
        {std::string("5 \xE2\x82\xAC"), kTaken, "5 \xE2\x82\xAC"},
        {std::string(80, 'a').replace(0, 1, "\xE2\x80\x94"), kTaken,
         std::string(80, 'a').replace(0, 1, "\xE2\x80\x94")},
        {std::string("\xC4\x80"), Refused(126), "On my way"},
        {std::uint32_t{5}, Refused(126), "On my way"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Describe(c.value));
        Reload();
        CDataItem message = List("TextMessages").GetChildByIndex(0);
        EXPECT_EQ(Set(message, "txt", c.value), c.outcome);
        EXPECT_EQ(RulesModel::Attr(message, "txt"), c.stored);
    }
}

TEST_F(RulesTest, SettingsTakeOnlyTheValuesTheRadioOffers) {
    struct Case {
        const char* attribute;
        AttributeValue value;
        bool taken;
        const char* stored;  // when taken
    };
    const std::vector<Case> cases = {
        {"contrast", std::uint32_t{0}, true, "0"},
        {"contrast", std::uint32_t{6}, true, "6"},
        {"contrast", std::uint32_t{7}, false, nullptr},
        {"backlight", std::uint32_t{90000}, true, "90000"},
        {"backlight", std::uint32_t{0}, true, "0"},
        {"backlight", std::uint32_t{15000}, false, nullptr},
        {"ringer_vol_level", std::uint32_t{0}, true, "0"},
        {"keypad_vol_level", std::uint32_t{5}, true, "5"},
        {"ringer_vol_level", std::uint32_t{6}, false, nullptr},  // max_vol_level is 5
        {"speaker_vol_level", std::uint32_t{1}, true, "1"},
        {"earpiece_vol_level", std::uint32_t{5}, true, "5"},
        {"alarm_vol_level", std::uint32_t{0}, false, nullptr},  // its list starts at 1
        {"language", std::uint32_t{1}, true, "1"},
        {"language", std::uint32_t{4}, false, nullptr},  // listed, but past num_of_languages
        {"language", std::uint32_t{7}, false, nullptr},
        {"current_time", std::uint32_t{4294967295u}, true, "4294967295"},
        {"alarm_time", std::string("4294967296"), false, nullptr},
        {"alarm_en", true, true, "1"},
        {"scan_en", false, true, "0"},
        {"time_format", std::string("1"), true, "1"},
        {"vibracall", true, true, "1"},
        {"is_disabled", std::uint32_t{2}, false, nullptr},
        {"call_forward_id", std::string("0150"), true, "150"},
        {"call_forward_id", std::string(""), true, ""},
        {"call_forward_id", std::string("5000"), false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.attribute) + " = " + Describe(c.value));
        Reload();
        const CDataItem setting = Root().GetChildByName("setting");
        const std::string old = RulesModel::Attr(setting, c.attribute);
        EXPECT_EQ(SetSetting(c.attribute, c.value), c.taken ? kTaken : Refused(126));
        EXPECT_EQ(RulesModel::Attr(setting, c.attribute), c.taken ? c.stored : old);
    }
}

// ------------------------------------------------------------------------------------------------
// Adding

TEST_F(RulesTest, EveryListTakesChildrenUntilItsCapacity) {
    for (const char* list : {"Privates", "PrivateGroups", "PublicGroups", "TextMessages"}) {
        EXPECT_TRUE(List(list).CanAddChild()) << list;
    }
    struct Case {
        const char* list;
        const char* attribute;
        const char* value;
    };
    const Case full[] = {
        {"Privates", "max_num_of_contacts", "17"},  // the fixture holds 17 contacts
        {"PrivateGroups", "max_num_of_contacts", "17"},
        {"PublicGroups", "max_num_of_contacts", "17"},
        {"Privates", "valid_PID_end", "99"},  // no free PID in the range
        {"PrivateGroups", "max_num_of_private_grps", "8"},
        {"PublicGroups", "max_num_of_public_grps", "3"},
        {"PublicGroups", "public_grp_list_size", "3"},  // no free pool position
        {"TextMessages", "max_num_of_predefined_msgs", "2"},
    };
    for (const Case& c : full) {
        SCOPED_TRACE(std::string(c.list) + " with " + c.attribute + "=" + c.value);
        Reload(WithAttribute(ReadText(kFixturePath), c.attribute, c.value));
        const std::string before = Text();
        EXPECT_FALSE(List(c.list).CanAddChild());
        EXPECT_TRUE(List(c.list).AddNewChild().IsEmpty());
        EXPECT_EQ(Text(), before);
    }
}

std::vector<std::string> AttributeNames(const CDataItem& item) {
    std::vector<std::string> names;
    for (xmlAttr* a = item.Node()->properties; a != nullptr; a = a->next) {
        names.emplace_back(reinterpret_cast<const char*>(a->name));
    }
    return names;
}

TEST_F(RulesTest, AddedChildrenAreCompleteValidAndLast) {
    ASSERT_EQ(Set("Eve", "name", std::string("new private 2")), kTaken);

    CDataItem privates = List("Privates");
    const CDataItem p = privates.AddNewChild();
    ASSERT_FALSE(p.IsEmpty());
    EXPECT_EQ(AttributeNames(p),
              (std::vector<std::string>{"cntct_type", "name", "pid", "channel", "in_scroll_list",
                                        "alert_tone", "home_grp", "show_grp_only", "id_in_use",
                                        "see_all_groups", "mngr_mode"}));
    EXPECT_EQ(privates.GetChildByIndex(privates.GetChildCount() - 1).Node(), p.Node());
    EXPECT_EQ(RulesModel::Attr(p, "name"), "New Private 1");
    EXPECT_EQ(RulesModel::Attr(p, "pid"), "100");  // the lowest free PID of 100..999
    EXPECT_EQ(RulesModel::Attr(p, "channel"), "1");
    EXPECT_EQ(RulesModel::Attr(p, "alert_tone"), "1");
    EXPECT_EQ(RulesModel::Attr(p, "home_grp"), "");
    EXPECT_EQ(p.GetChildCount(), 1);
    EXPECT_EQ(p.GetChildByName("ParentPrivateGroups").GetChildCount(), 0);
    EXPECT_EQ(RulesModel::Attr(privates.AddNewChild(), "name"), "New Private 3");

    CDataItem groups = List("PrivateGroups");
    const CDataItem g = groups.AddNewChild();
    ASSERT_FALSE(g.IsEmpty());
    EXPECT_EQ(AttributeNames(g),
              (std::vector<std::string>{"cntct_type", "name", "pid", "channel", "in_scroll_list"}));
    EXPECT_EQ(groups.GetChildByIndex(groups.GetChildCount() - 1).Node(), g.Node());
    EXPECT_EQ(RulesModel::Attr(g, "name"), "New Private Grp 1");
    EXPECT_EQ(RulesModel::Attr(g, "pid"), "105");  // the new privates took 100 and 104
    EXPECT_EQ(RulesModel::Attr(g, "channel"), "1");

    CDataItem publics = List("PublicGroups");
    const CDataItem pg = publics.AddNewChild();
    ASSERT_FALSE(pg.IsEmpty());
    EXPECT_EQ(AttributeNames(pg), (std::vector<std::string>{"cntct_type", "name", "pid", "channel",
                                                            "in_scan_list", "in_scroll_list"}));
    EXPECT_EQ(RulesModel::Attr(pg, "name"), "New Public Grp 1");
    EXPECT_EQ(RulesModel::Attr(pg, "pid"), "9996");  // pool position 4
    EXPECT_EQ(RulesModel::Attr(pg, "in_scan_list"), "0");

    CDataItem texts = List("TextMessages");
    const CDataItem t = texts.AddNewChild();
    ASSERT_FALSE(t.IsEmpty());
    EXPECT_EQ(texts.GetChildCount(), 3);
    EXPECT_EQ(AttributeNames(t), (std::vector<std::string>{"txt"}));

    // The result is a valid profile that converts to an image.
    const std::string text = Text();
    RulesModel again;
    again.Load(text);
    VirtualCP image;
    EXPECT_NO_THROW(CDataAdaptor::XML2VirtualCP(text, image));
}

TEST_F(RulesTest, NewPrivateGroupsGoWhereAPrivateCanJoin) {
    // Without Ann, Bob and Cy, only the privates of channel 2 have room for a group.
    ASSERT_EQ(Delete("Ann", 1), kTaken);
    ASSERT_EQ(Delete("Bob", 1), kTaken);
    ASSERT_EQ(Delete("Cy", 1), kTaken);
    EXPECT_EQ(RulesModel::Attr(List("PrivateGroups").AddNewChild(), "channel"), "2");
}

// A profile at the radio's capacity: 20 private groups, 30 public groups and 100 privates in five
// groups each, all on channel 1. Every hook must stay far inside its instruction budget here.
std::string FullProfile() {
    VirtualCP image;
    RadioLimits& l = image.m_limits;
    l.pid = "1000";
    l.pid_range = {"1", "99999"};
    l.public_group_base = {"17179869183", 100};
    l.model = "V480";
    l.clone_compatibility_version = 10;
    l.max_num_of_contacts = 150;
    l.max_num_of_private_grps = 20;
    l.max_num_of_public_grps = 100;
    l.max_num_of_predefined_msgs = 25;
    l.max_num_of_channels = 16;
    l.max_vol_level = 7;
    for (std::size_t i = 0; i < kContactSlots; ++i) {
        ContactRecord& c = image.m_contacts[i];
        c.channel = 1;
        c.alert_tone = 1;
        if (i < 20) {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::PrivateGroup);
            c.name = "Group " + std::to_string(i);
            c.pid = std::to_string(50000 + i);
        } else if (i < 50) {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::PublicGroup);
            c.name = "Public " + std::to_string(i);
            c.pid = std::to_string(17179869183 - (i - 20));
        } else {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::Private);
            c.name = "Private " + std::to_string(i);
            c.pid = std::to_string(1000 + i);
            for (std::size_t k = 0; k < kParentGroupSlots; ++k) {
                c.parent_groups[k] = std::to_string(50000 + (i + k) % 20);
            }
            c.home_grp = c.parent_groups[0];
        }
    }
    for (std::size_t i = 0; i < kTextSlots; ++i) image.m_texts[i] = "Text " + std::to_string(i);
    std::string text;
    CDataAdaptor::VirtualCP2XML(image, text);
    return text;
}

TEST_F(RulesTest, HooksCopeWithAProfileAtFullCapacity) {
    Reload(FullProfile());
    for (const char* list : {"Privates", "PrivateGroups", "PublicGroups", "TextMessages"}) {
        EXPECT_FALSE(List(list).CanAddChild()) << list;
    }
    EXPECT_EQ(Set("Private 149", "name", std::string("PRIVATE 50")), Refused(127));
    EXPECT_EQ(Set("Private 149", "pid", std::string("1050")), Refused(132));
    EXPECT_EQ(Set("Public 49", "pid", std::string("17179869084")), kTaken);  // last position
    EXPECT_EQ(Set("Group 0", "pid", std::string("60000")), kTaken);
    EXPECT_EQ(Members("50000").size(), 0u);
    EXPECT_EQ(Members("60000").size(), 25u);
    EXPECT_EQ(Set("Private 50", "channel", std::uint32_t{2}, kIdOk), kTaken);
    EXPECT_EQ(Delete("Group 1", 1), kTaken);
    EXPECT_EQ(Delete("Private 51", 1), kTaken);
    EXPECT_EQ(List("PrivateGroups").GetChildCount(), 19);
    EXPECT_TRUE(List("Privates").CanAddChild());
    EXPECT_EQ(RulesModel::Attr(List("Privates").AddNewChild(), "pid"), "1");
}

// ------------------------------------------------------------------------------------------------
// Enabled lists

TEST(RulesIsEnabled, ListsFollowTheRadiosFeaturesUnlessTheyHoldEntries) {
    struct Case {
        const char* base;  // a default profile (empty lists) or the fixture
        const char* list;
        std::vector<const char*> off;  // limit flags set to 0
        bool enabled;
    };
    const std::string v480 = kTemplateFolder + "/V480.lam";
    const std::vector<Case> cases = {
        {"V480", "Privates", {}, true},
        {"V480", "Privates", {"add_prvt_contacts_en", "prvt_call_tx_en"}, false},
        {"V480", "Privates", {"add_prvt_contacts_en"}, true},
        {"V480", "Privates", {"prvt_call_tx_en"}, true},
        {"V480", "PrivateGroups", {}, true},
        {"V480", "PrivateGroups", {"add_prvt_grp_en"}, false},
        {"V480", "TextMessages", {}, true},
        {"V480", "TextMessages", {"sms_compose_mesgs_en", "sms_free_form_mesgs_en"}, false},
        {"V480", "TextMessages", {"sms_free_form_mesgs_en"}, true},
        {"V480",
         "PublicGroups",
         {"public_scan_en", "add_prvt_contacts_en", "add_prvt_grp_en", "sms_compose_mesgs_en"},
         true},
        {"fixture", "Privates", {"add_prvt_contacts_en", "prvt_call_tx_en"}, true},
        {"fixture", "PrivateGroups", {"add_prvt_grp_en"}, true},
        {"fixture", "TextMessages", {"sms_compose_mesgs_en", "sms_free_form_mesgs_en"}, true},
    };
    for (const Case& c : cases) {
        std::string text = ReadText(std::string(c.base) == "V480" ? v480 : kFixturePath);
        std::string trace = std::string(c.base) + " " + c.list + " without";
        for (const char* flag : c.off) {
            text = WithAttribute(text, flag, "0");
            trace += std::string(" ") + flag;
        }
        SCOPED_TRACE(trace);
        RulesModel model;
        model.Load(text);
        EXPECT_EQ(model.List(c.list).IsEnabled(), c.enabled);
    }
}

// ------------------------------------------------------------------------------------------------
// Default profiles

struct DefaultProfile {
    const char* file;
    const char* model;
    const char* contacts;
    const char* privateGroups;
    const char* publicGroups;
    const char* messages;
    const char* channels;
    const char* volume;
    int languages;
};

void PrintTo(const DefaultProfile& p, std::ostream* out) {
    *out << p.file;
}

class DefaultProfileTest : public ::testing::TestWithParam<DefaultProfile> {
  protected:
    std::string Path() const { return kTemplateFolder + "/" + GetParam().file; }
};

TEST_P(DefaultProfileTest, LoadsWithTheModelsCapacities) {
    RulesModel model;
    model.Load(Path(), true);
    const CDataItem limit = model.Root().GetChildByName("limit");
    const DefaultProfile& p = GetParam();
    EXPECT_EQ(RulesModel::Attr(limit, "pid"), "XXXXXXXXXXX");
    EXPECT_EQ(RulesModel::Attr(limit, "model"), p.model);
    EXPECT_EQ(RulesModel::Attr(limit, "clone_compatibility_version"), "10");
    EXPECT_EQ(RulesModel::Attr(limit, "max_num_of_contacts"), p.contacts);
    EXPECT_EQ(RulesModel::Attr(limit, "max_num_of_private_grps"), p.privateGroups);
    EXPECT_EQ(RulesModel::Attr(limit, "max_num_of_public_grps"), p.publicGroups);
    EXPECT_EQ(RulesModel::Attr(limit, "public_grp_list_size"), p.publicGroups);
    EXPECT_EQ(RulesModel::Attr(limit, "max_num_of_predefined_msgs"), p.messages);
    EXPECT_EQ(RulesModel::Attr(limit, "max_num_of_channels"), p.channels);
    EXPECT_EQ(RulesModel::Attr(limit, "max_vol_level"), p.volume);
    EXPECT_EQ(RulesModel::Attr(limit, "num_of_languages"), std::to_string(p.languages));
    EXPECT_EQ(limit.GetChildByName("languages").GetChildCount(), p.languages);
    EXPECT_TRUE(model.Reports().empty());
}

TEST_P(DefaultProfileTest, ConvertsToAnImageAndBackUnchanged) {
    const std::string text = ReadText(Path());
    VirtualCP image;
    CDataAdaptor::XML2VirtualCP(text, image);
    std::string written;
    CDataAdaptor::VirtualCP2XML(image, written);
    EXPECT_EQ(written, text);

    std::string sorted = text;
    SortProfileLists(sorted);
    VirtualCP fromSorted;
    CDataAdaptor::XML2VirtualCP(sorted, fromSorted);
    EXPECT_TRUE(fromSorted == image);
}

// Every value of a default profile is one the rules accept, and every list can grow.
TEST_P(DefaultProfileTest, HoldsOnlyValuesTheRulesAccept) {
    RulesModel model;
    model.Load(Path(), true);
    const std::string before = model.Text();
    CDataItem setting = model.Root().GetChildByName("setting");
    for (xmlAttr* a = setting.Node()->properties; a != nullptr; a = a->next) {
        const std::string name(reinterpret_cast<const char*>(a->name));
        SCOPED_TRACE(name);
        EXPECT_EQ(model.SetSetting(name, setting.GetAttributeValue(name)), kTaken);
    }
    EXPECT_EQ(model.Text(), before);

    for (const char* list : {"Privates", "PrivateGroups", "PublicGroups", "TextMessages"}) {
        EXPECT_TRUE(model.List(list).IsEnabled()) << list;
        EXPECT_TRUE(model.List(list).CanAddChild()) << list;
        EXPECT_FALSE(model.List(list).AddNewChild().IsEmpty()) << list;
    }
    // With one child of each kind added, it still converts to an image and back.
    const std::string grown = model.Text();
    VirtualCP image;
    CDataAdaptor::XML2VirtualCP(grown, image);
    std::string written;
    CDataAdaptor::VirtualCP2XML(image, written);
    RulesModel again;
    again.Load(written);
    EXPECT_EQ(again.List("Privates").GetChildCount(), 1);
    EXPECT_EQ(again.List("TextMessages").GetChildCount(), 1);
    EXPECT_TRUE(model.Reports().empty());
}

const DefaultProfile kDefaultProfiles[] = {
    {"V480.lam", "V480", "150", "20", "100", "25", "16", "7", 6},
    {"V440.lam", "V440", "100", "10", "50", "16", "8", "5", 2},
};

INSTANTIATE_TEST_SUITE_P(Template, DefaultProfileTest, ::testing::ValuesIn(kDefaultProfiles));

TEST(DefaultProfile, EveryProfileOfTheTemplateFolderIsChecked) {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(kTemplateFolder)) {
        if (entry.path().extension() == ".lam") found.insert(entry.path().filename().string());
    }
    std::set<std::string> checked;
    for (const DefaultProfile& p : kDefaultProfiles) checked.insert(p.file);
    EXPECT_EQ(found, checked);
}

}  // namespace
}  // namespace vex
