// The model template's rule script and default profiles, run through the data model exactly as
// the pages and the navigation tree use them.

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codeplug/data_adaptor.h"
#include "codeplug/virtual_cp.h"
#include "common/xml.h"
#include "model/data_item.h"
#include "model/fixtures/model_test_support.h"
#include "model/profile_text.h"
#include "model/radio_data_model.h"

namespace vex {
namespace {

using test::kTemplateFolder;
using test::ReadText;
using S = std::string;

// The fixture profile (see below) and the rule tables, as files of fixtures/rules.
std::string FixtureProfile() {
    return test::ReadFixture("rules/two_channels.lam");
}

constexpr int kIdOk = 1;
constexpr int kQuestionStyle = 0x21;  // MB_OKCANCEL | MB_ICONQUESTION
constexpr int kNoticeStyle = 0x40;    // MB_OK | MB_ICONINFORMATION
const char* const kLists[] = {"Privates", "PrivateGroups", "PublicGroups", "TextMessages"};

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

// The fixture profile: contacts on channels 1 to 3 of 4 (see fixtures/rules/two_channels.lam).
//   public groups  Fire 9999 ch1 scanned, Rescue 9998 ch2, Harbour 9997 ch2 scanned (pool 9999
//                  down to 9988)
//   private groups Crew 500 ch1 {Ann, Bob}, Night watch 501 ch1 {Ann}, Dock 502 ch2 {Dan},
//                  Team 1..5 511..515 ch3 {Fay}
//   privates       Ann 101 ch1 home 501, Bob 102 ch1 home 9999, Cy 103 ch1 home 501 (no groups,
//                  id_in_use 0), Dan 201 ch2 home 9997, Eve 202 ch2, Fay 301 ch3 (5 groups)
//   texts          "On my way", "Call base"; settings within max_vol_level 5 and 2 languages
// A quoted piece of a field, from its opening quote: its escapes undone, in its copies.
std::string QuotedPiece(std::istream& in) {
    const std::string escapes = "t\tr\rn\n";  // each letter and its character
    std::string piece;
    in.get();
    for (char c; in.get(c) && c != '"'; piece += c) {
        if (c != '\\' || !in.get(c)) continue;
        if (c == 'x') {
            char hex[3] = {};
            in.read(hex, 2);
            c = static_cast<char>(std::stoi(hex, nullptr, 16));
        } else {
            c = escapes[escapes.find(c) + 1];
        }
    }
    int copies = 1;
    if (in.peek() == '*' && in.get()) in >> copies;
    std::string all;
    for (int i = 0; i < copies; ++i) all += piece;
    return all;
}

// A row of fixtures/rules/tables.txt: as written, and its fields (the file's head says how).
struct Row {
    std::string text;
    std::vector<std::string> fields;
    std::vector<bool> quoted;
};

std::vector<Row> Rows(const std::string& section) {
    std::istringstream file(test::ReadFixture("rules/tables.txt"));
    std::vector<Row> rows;
    bool inSection = false;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inSection = line == "[" + section + "]";
            continue;
        }
        if (!inSection) continue;
        if (line[0] != ' ' || rows.empty()) rows.push_back(Row{line, {}, {}});
        Row& row = rows.back();
        std::istringstream in(line);
        for (std::string field; (in >> std::ws).peek() != EOF; field.clear()) {
            row.quoted.push_back(in.peek() == '"');
            if (!row.quoted.back()) in >> field;
            for (; in.peek() == '"'; in >> std::ws) field += QuotedPiece(in);
            row.fields.push_back(field);
        }
    }
    EXPECT_FALSE(rows.empty()) << section;
    return rows;
}

// A data model with the real template folder, loaded with the fixture profile unless a test
// loads another.
class RulesTest : public ::testing::Test {
  protected:
    void SetUp() override { Reload(); }
    void TearDown() override {
        EXPECT_TRUE(m_reports.empty()) << "rule script error: " << m_reports.front();
    }
    void Reload(const std::string& text = FixtureProfile()) {
        m_model = std::make_unique<CRadioDataModel>(
            kTemplateFolder, [this](const std::string& report) { m_reports.push_back(report); });
        ASSERT_EQ(m_model->LoadProfile(text, false), 1);
    }

    CDataItem Root() const { return m_model->RootItem(); }

    CDataItem List(const std::string& name) const {
        if (name == "TextMessages") return Root().GetChildByName(name);
        return Root().GetChildByName("Contacts").GetChildByName(name);
    }

    // The contact named `name`, or "setting", or "text" (the first text message); an empty item
    // (and a failure) when there is none.
    CDataItem Item(const std::string& name) const {
        if (name == "setting") return Root().GetChildByName(name);
        if (name == "text") return List("TextMessages").GetChildByIndex(0);
        const int at = IndexOf(name);
        if (at >= 0) return m_lastList.GetChildByIndex(at);
        ADD_FAILURE() << "no contact " << name;
        return CDataItem();
    }

    bool Exists(const std::string& name) const { return IndexOf(name) >= 0; }

    static std::string Attr(const CDataItem& item, const char* name) {
        std::string value = "(none)";
        xml::GetAttribute(item.Node(), name, value);
        return value;
    }
    std::string Attr(const std::string& item, const char* name) const {
        return Attr(Item(item), name);
    }

    Outcome Set(CDataItem item, const std::string& attribute, const AttributeValue& value,
                int answer = 0) {
        Outcome outcome;
        outcome.result = item.SetAttributeValue(attribute, value, outcome.msgId, answer, m_style);
        return outcome;
    }
    Outcome Set(const std::string& item, const std::string& attribute, const AttributeValue& value,
                int answer = 0) {
        return Set(Item(item), attribute, value, answer);
    }

    // Removes the contact `contact`, or child `index` of `list` when given.
    Outcome Delete(const std::string& contact, int confirmed, CDataItem list = {}, int index = 0) {
        if (list.IsEmpty()) {
            index = IndexOf(contact);
            EXPECT_GE(index, 0) << contact;
            list = m_lastList;
        }
        Outcome outcome;
        outcome.result = list.RemoveChildByIndex(index, outcome.msgId, confirmed, m_style);
        return outcome;
    }

    // The group PIDs a private belongs to, in document order.
    std::vector<std::string> Groups(const std::string& privateName) const {
        const CDataItem list = Item(privateName).GetChildByName("ParentPrivateGroups");
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

    // Each value of `section` of fixtures/rules/tables.txt set on a freshly loaded fixture; a
    // refusal changes nothing.
    void RunValueCases(const std::string& section) {
        for (const Row& row : Rows(section)) {
            SCOPED_TRACE(row.text);
            const std::vector<std::string>& f = row.fields;
            AttributeValue value = f[2];
            if (!row.quoted[2]) {
                if (f[2] == "true" || f[2] == "false")
                    value = f[2] == "true";
                else
                    value = static_cast<std::uint32_t>(std::stoul(f[2].substr(1)));
            }
            const Outcome outcome = f[3] == "taken" ? kTaken : Refused(std::stoi(f[3]));
            Reload();
            const CDataItem item = Item(f[0]);
            const std::string before = Text();
            EXPECT_EQ(Set(item, f[1], value), outcome);
            if (outcome.result != 0) {
                EXPECT_EQ(Text(), before);
            } else {
                EXPECT_EQ(Attr(item, f[1].c_str()), f.size() > 4 ? f[4] : f[2]);
            }
        }
    }

    // `ask` asks question `msgId` and changes nothing.
    void ExpectQuestion(const std::function<Outcome()>& ask, int msgId) {
        const std::string before = Text();
        EXPECT_EQ(ask(), (Outcome{2, msgId}));
        EXPECT_EQ(Style(), kQuestionStyle);
        EXPECT_EQ(Text(), before);
    }

    std::unique_ptr<CRadioDataModel> m_model;
    std::vector<std::string> m_reports;
    mutable CDataItem m_lastList;
    int m_style = 0;
};

// Every hook the schema names for an element of the profile is "Hook_Element" and defined.
TEST_F(RulesTest, ScriptDefinesEveryFunctionTheSchemaNames) {
    std::set<std::string> named;
    const std::function<void(const CDataItem&)> visit = [&](const CDataItem& item) {
        for (const char* hook : {"SetVal", "CanAddChild", "OnAddNew", "OnDelete", "IsEnabled"}) {
            std::string function;
            if (!item.GetScriptHandler(item.Node(), hook, function)) continue;
            EXPECT_EQ(function, hook + ("_" + item.GetName()));
            EXPECT_TRUE(m_model->Script()->HasFunction(function)) << function;
            named.insert(function);
        }
        for (int i = 0; i < item.GetChildCount(); ++i) visit(item.GetChildByIndex(i));
    };
    visit(Root());
    EXPECT_EQ(named.size(), 25u);  // the schema names 25 hooks today
    EXPECT_EQ(ReadText(kTemplateFolder + "/DataProfile.lua").rfind(kRuleScriptFileStart, 0), 0u);
}

TEST_F(RulesTest, NamesArePrintableAtMostTwentyCharactersAndUniqueWithoutRegardToCase) {
    RunValueCases("names");

    // Capitals of ISO 8859-1 and of Windows-1252 match their small letters.
    Reload();
    EXPECT_EQ(Set("Eve", "name", S("\xC3\x89mile")), kTaken);
    EXPECT_EQ(Set("Bob", "name", S("\xC3\xA9MILE")), Refused(127));
    EXPECT_EQ(Set("Dan", "name", S("\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8")), kTaken);
    EXPECT_EQ(Set("Bob", "name", S("\xC5\xA1\xC5\x93\xC5\xBE\xC3\xBF")), Refused(127));
}

// A name or text as a radio holds it is kept unchanged: image, profile text, a page committing
// the unchanged value, image again, byte for byte.
TEST_F(RulesTest, NamesAndTextsFromARadioAreKeptByteForByte) {
    VirtualCP image;
    CDataAdaptor::XML2VirtualCP(FixtureProfile(), image);
    const int bob = image.FindContact("102", 0);
    ASSERT_GE(bob, 0);
    image.m_contacts[static_cast<std::size_t>(bob)].name = "Bob\x92s \x81\x80";
    image.m_texts[0] = "\x93Hi\x94 \x85 \x9D";
    Reload(test::ProfileText(image));
    const char* name = "Bob\xE2\x80\x99s \xC2\x81\xE2\x82\xAC";
    ASSERT_EQ(Set(name, "name", Attr(name, "name")), kTaken);
    ASSERT_EQ(Set("text", "txt", Attr("text", "txt")), kTaken);

    VirtualCP again;
    CDataAdaptor::XML2VirtualCP(Text(), again);
    const int at = again.FindContact("102", 0);
    ASSERT_GE(at, 0);
    EXPECT_EQ(again.m_contacts[static_cast<std::size_t>(at)].name, "Bob\x92s \x81\x80");
    EXPECT_EQ(again.m_texts[0], "\x93Hi\x94 \x85 \x9D");
}

TEST_F(RulesTest, PidsLieInTheRangeOrThePublicPoolAndAreNotTaken) {
    RunValueCases("pids");
}

// id_in_use says whether a private group holds the private's PID: the private group page offers
// the PIDs of the privates whose id_in_use is 0, and each of them must be one a group can take.
TEST_F(RulesTest, IdInUseFollowsTheGroupThatHoldsThePrivatesPid) {
    ASSERT_EQ(Set("Crew", "pid", S("103")), kTaken);
    EXPECT_EQ(Attr("Cy", "id_in_use"), "1");
    EXPECT_EQ(Set("Night watch", "pid", S("103")), Refused(132));
    EXPECT_EQ(Set("Cy", "id_in_use", false), Refused(132));
    EXPECT_EQ(Set("Cy", "id_in_use", true), kTaken);
    EXPECT_EQ(Set("Crew", "pid", S("103")), kTaken);  // a group keeps its own PID

    // Cy moves on: it no longer shares a PID, and a private may take the group's PID.
    ASSERT_EQ(Set("Cy", "pid", S("150")), kTaken);
    EXPECT_EQ(Attr("Cy", "id_in_use"), "0");
    ASSERT_EQ(Set("Eve", "id_in_use", false), kTaken);
    ASSERT_EQ(Set("Eve", "pid", S("103")), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "1");

    // The group gives the PID back: with a new PID, or deleted.
    ASSERT_EQ(Set("Crew", "pid", S("600")), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "0");
    ASSERT_EQ(Set("Night watch", "pid", S("103")), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "1");
    ASSERT_EQ(Delete("Night watch", 1), kTaken);
    EXPECT_EQ(Attr("Eve", "id_in_use"), "0");
}

TEST_F(RulesTest, ChangingAGroupPidCarriesEveryReferenceAlong) {
    ASSERT_EQ(Set("Night watch", "pid", S("601")), kTaken);
    EXPECT_EQ(Groups("Ann"), (std::vector<std::string>{"500", "601"}));
    EXPECT_EQ(Attr("Ann", "home_grp"), "601");
    EXPECT_EQ(Attr("Cy", "home_grp"), "601");

    ASSERT_EQ(Set("Crew", "pid", S("600")), kTaken);
    EXPECT_EQ(Groups("Ann"), (std::vector<std::string>{"600", "601"}));
    EXPECT_EQ(Groups("Bob"), (std::vector<std::string>{"600"}));
    EXPECT_TRUE(Members("500").empty());

    ASSERT_EQ(Set("Fire", "pid", S("9996")), kTaken);
    EXPECT_EQ(Attr("Bob", "home_grp"), "9996");
    EXPECT_EQ(Attr("Dan", "home_grp"), "9997");
}

TEST_F(RulesTest, OtherValuesAreCheckedAndWrittenAsText) {
    RunValueCases("other values");
}

// The radio holds a home private group among the private's groups: the profile says so too.
TEST_F(RulesTest, AHomePrivateGroupIsOneOfThePrivatesGroups) {
    ASSERT_EQ(Set("Bob", "home_grp", S("501")), kTaken);
    EXPECT_EQ(Groups("Bob"), (std::vector<std::string>{"500", "501"}));
    ASSERT_EQ(Set("Bob", "home_grp", S("500")), kTaken);
    EXPECT_EQ(Groups("Bob"), (std::vector<std::string>{"500", "501"}));

    // Leaving the home group's membership leaves the home group.
    ASSERT_EQ(Delete("", 0, Item("Bob").GetChildByName("ParentPrivateGroups"), 0), kTaken);
    EXPECT_EQ(Attr("Bob", "home_grp"), "");

    // A private in five groups cannot take a sixth as its home group (room for four more groups
    // first: the fixture allows ten).
    ASSERT_EQ(Delete("Team 4", 1), kTaken);
    ASSERT_EQ(Delete("Team 5", 1), kTaken);
    CDataItem anns = Item("Ann").GetChildByName("ParentPrivateGroups");
    for (int i = 0; i < 3; ++i) {
        ASSERT_FALSE(List("PrivateGroups").AddNewChild().IsEmpty());
        ASSERT_FALSE(anns.AddNewChild().IsEmpty());
    }
    const CDataItem sixth = List("PrivateGroups").AddNewChild();
    ASSERT_EQ(Attr(sixth, "channel"), "1");
    const std::string before = Text();
    EXPECT_EQ(Set("Ann", "home_grp", Attr(sixth, "pid")), Refused(140));
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(Set("Ann", "home_grp", S("9999")), kTaken);  // a public group
}

// The question before the move, and its Cancel, are taken by the public group page's tests.
TEST_F(RulesTest, PublicGroupInAScanListStaysScannedOnItsNewChannel) {
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
    EXPECT_EQ(Attr(group, "channel"), "2");

    // New groups go where a private can join: without Ann, Bob and Cy, only channel 2 has room.
    for (const char* name : {"Ann", "Bob", "Cy"}) ASSERT_EQ(Delete(name, 1), kTaken);
    EXPECT_EQ(Attr(List("PrivateGroups").AddNewChild(), "channel"), "2");
}

// Moving a group with members, or deleting it, drops every membership and home group it had.
TEST_F(RulesTest, PrivateGroupWithMembersAsksAndThenDropsMembersAndHomes) {
    for (bool move : {true, false}) {
        SCOPED_TRACE(move ? "move" : "delete");
        Reload();
        if (move) {
            ExpectQuestion([&] { return Set("Night watch", "channel", std::uint32_t{2}); }, 136);
            EXPECT_EQ(Set("Night watch", "channel", std::uint32_t{2}, kIdOk), kTaken);
            EXPECT_EQ(Attr("Night watch", "channel"), "2");
        } else {
            ExpectQuestion([&] { return Delete("Night watch", 0); }, 141);
            EXPECT_EQ(Delete("Night watch", 1), kTaken);
            EXPECT_FALSE(Exists("Night watch"));
        }
        EXPECT_EQ(Groups("Ann"), (std::vector<std::string>{"500"}));
        EXPECT_EQ(Attr("Ann", "home_grp"), "");
        EXPECT_EQ(Attr("Cy", "home_grp"), "");
        EXPECT_EQ(Members("500"), (std::vector<std::string>{"Ann", "Bob"}));
    }
}

// A private that changes channel, or is deleted, leaves its groups; groups left empty go.
TEST_F(RulesTest, PrivateInGroupsAsksAndThenLeavesThemDeletingEmptyOnes) {
    ExpectQuestion([&] { return Set("Cy", "channel", std::uint32_t{2}); }, 137);  // a home only
    ExpectQuestion([&] { return Delete("Ann", 0); }, 142);

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

    Reload();
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
    EXPECT_EQ(Delete("", 0, List("TextMessages"), 0), kTaken);
    ASSERT_EQ(List("TextMessages").GetChildCount(), 1);
    EXPECT_EQ(Attr("text", "txt"), "Call base");
}

// A page may still hold the item of a contact that a hook deleted: it is refused, never freed.
TEST_F(RulesTest, AnItemOfADeletedContactIsRefused) {
    const CDataItem crew = Item("Crew");
    const CDataItem dock = Item("Dock");
    ASSERT_EQ(Delete("Crew", 1), kTaken);
    // Dan was Dock's only member: it goes with his change of channel.
    ASSERT_EQ(Set("Dan", "channel", std::uint32_t{1}, kIdOk), kTaken);
    ASSERT_FALSE(Exists("Dock"));
    for (CDataItem held : {crew, dock}) {
        EXPECT_EQ(test::Raised([&] { held.GetAttributeValue("name"); }).MessageId(), 106);
        EXPECT_EQ(test::Raised([&] { Set(held, "name", S("Back")); }).MessageId(), 106);
    }
    EXPECT_EQ(List("PrivateGroups").GetChildCount(), 6);
}

TEST_F(RulesTest, MembershipsNameAGroupOfThePrivatesChannelOnce) {
    CDataItem cy = Item("Cy").GetChildByName("ParentPrivateGroups");
    ASSERT_TRUE(cy.CanAddChild());
    CDataItem first = cy.AddNewChild();
    ASSERT_FALSE(first.IsEmpty());
    EXPECT_EQ(Attr(first, "pid"), "500");  // the first group Cy can join
    EXPECT_EQ(Set(first, "pid", S("501")), kTaken);
    EXPECT_EQ(Members("501"), (std::vector<std::string>{"Ann", "Cy"}));

    CDataItem second = cy.AddNewChild();
    ASSERT_FALSE(second.IsEmpty());
    EXPECT_EQ(Attr(second, "pid"), "500");
    const std::string before = Text();
    EXPECT_EQ(Set(second, "pid", S("501")), Refused(126));  // already a member
    EXPECT_EQ(Set(second, "pid", S("502")), Refused(139));
    EXPECT_EQ(Set(second, "pid", S("9999")), Refused(138));  // a public group
    EXPECT_EQ(Set(second, "pid", S("x")), Refused(126));
    EXPECT_EQ(Text(), before);

    // Cy is now in both groups of channel 1: nothing is left to join.
    EXPECT_FALSE(cy.CanAddChild());
    EXPECT_TRUE(cy.AddNewChild().IsEmpty());
}

TEST_F(RulesTest, APrivateJoinsAtMostFiveGroups) {
    CDataItem fay = Item("Fay").GetChildByName("ParentPrivateGroups");
    const std::string before = Text();
    EXPECT_FALSE(fay.CanAddChild());
    EXPECT_TRUE(fay.AddNewChild().IsEmpty());
    EXPECT_EQ(Text(), before);

    EXPECT_EQ(Delete("", 0, fay, 0), kTaken);
    EXPECT_EQ(Groups("Fay"), (std::vector<std::string>{"512", "513", "514", "515"}));
    EXPECT_TRUE(Exists("Team 1"));  // a group left without members stays
    EXPECT_TRUE(fay.CanAddChild());
    EXPECT_EQ(Attr(fay.AddNewChild(), "pid"), "511");
}

TEST_F(RulesTest, EveryListTakesChildrenUntilItsCapacity) {
    for (const char* list : kLists) EXPECT_TRUE(List(list).CanAddChild()) << list;
    for (const Row& row : Rows("full lists")) {
        SCOPED_TRACE(row.text);
        const std::string& list = row.fields[0];
        Reload(WithAttribute(FixtureProfile(), row.fields[1], row.fields[2]));
        const std::string before = Text();
        EXPECT_FALSE(List(list).CanAddChild());
        EXPECT_TRUE(List(list).AddNewChild().IsEmpty());
        EXPECT_EQ(Text(), before);
    }
}

// The attributes of an element, as "name=value" in document order.
std::vector<std::string> Attributes(const CDataItem& item) {
    std::vector<std::string> all;
    for (xmlAttr* a = item.Node()->properties; a != nullptr; a = a->next) {
        std::string value;
        xml::GetAttribute(item.Node(), reinterpret_cast<const char*>(a->name), value);
        all.push_back(reinterpret_cast<const char*>(a->name) + ("=" + value));
    }
    return all;
}

TEST_F(RulesTest, AddedChildrenAreCompleteValidAndLast) {
    ASSERT_EQ(Set("Eve", "name", S("new private 2")), kTaken);
    for (const Row& row : Rows("added children")) {
        SCOPED_TRACE(row.text);
        CDataItem list = List(row.fields[0]);
        const CDataItem added = list.AddNewChild();
        ASSERT_FALSE(added.IsEmpty());
        EXPECT_EQ(list.GetChildByIndex(list.GetChildCount() - 1).Node(), added.Node());
        EXPECT_EQ(Attributes(added), std::vector(row.fields.begin() + 1, row.fields.end()));
    }
    const CDataItem memberships =
        List("Privates").GetChildByIndex(6).GetChildByName("ParentPrivateGroups");
    EXPECT_EQ(memberships.GetChildCount(), 0);

    // The result is a valid profile that converts to an image.
    const std::string text = Text();
    Reload(text);
    VirtualCP image;
    EXPECT_NO_THROW(CDataAdaptor::XML2VirtualCP(text, image));
}

// A profile at the radio's capacity: 20 private groups, 30 public groups and 100 privates in five
// groups each, all on channel 1. Every hook must stay far inside its instruction budget here.
std::string FullProfile() {
    VirtualCP image = test::FullImage();
    RadioLimits& l = image.m_limits;
    l.pid = "1000";
    l.pid_range = {"1", "99999"};
    l.public_group_base = {"17179869183", 100};
    l.model = "V480";
    l.max_num_of_contacts = 150;
    l.max_num_of_private_grps = 20;
    l.max_num_of_public_grps = 100;
    l.max_num_of_predefined_msgs = 25;
    l.max_num_of_channels = 16;
    l.max_vol_level = 7;
    const char* kinds[] = {"Private ", "Group ", "Public "};  // by contact type
    for (std::size_t i = 0; i < kContactSlots; ++i) {
        ContactRecord& c = image.m_contacts[i];
        c.channel = c.alert_tone = 1;
        c.flags = c.own_flags = 0;
        c.name = kinds[c.cntct_type] + std::to_string(i);
    }
    return test::ProfileText(image);
}

TEST_F(RulesTest, HooksCopeWithAProfileAtFullCapacity) {
    Reload(FullProfile());
    for (const char* list : kLists) EXPECT_FALSE(List(list).CanAddChild()) << list;
    EXPECT_EQ(Set("Private 149", "name", S("PRIVATE 50")), Refused(127));
    EXPECT_EQ(Set("Private 149", "pid", S("1050")), Refused(132));
    EXPECT_EQ(Set("Public 49", "pid", S("17179869084")), kTaken);  // last position
    EXPECT_EQ(Set("Group 0", "pid", S("60000")), kTaken);
    EXPECT_EQ(Members("50000").size(), 0u);
    EXPECT_EQ(Members("60000").size(), 25u);
    EXPECT_EQ(Set("Private 50", "channel", std::uint32_t{2}, kIdOk), kTaken);
    EXPECT_EQ(Delete("Group 1", 1), kTaken);
    EXPECT_EQ(Delete("Private 51", 1), kTaken);
    EXPECT_EQ(List("PrivateGroups").GetChildCount(), 19);
    EXPECT_TRUE(List("Privates").CanAddChild());
    EXPECT_EQ(Attr(List("Privates").AddNewChild(), "pid"), "1");
}

TEST_F(RulesTest, ListsAreEnabledByTheRadiosFeaturesUnlessTheyHoldEntries) {
    for (const Row& row : Rows("enabled lists")) {
        SCOPED_TRACE(row.text);
        const std::vector<std::string>& f = row.fields;
        std::string text =
            f[0] == "V480" ? ReadText(kTemplateFolder + "/V480.lam") : FixtureProfile();
        for (std::size_t i = 3; i < f.size(); ++i) text = WithAttribute(text, f[i], "0");
        Reload(text);
        EXPECT_EQ(List(f[1]).IsEnabled(), f[2] == "enabled");
    }
}

// The default profiles of the template folder, with their model's capacities as the limit
// element's attributes below hold them.
const char* const kCapacityAttributes =
    "pid model clone_compatibility_version max_num_of_contacts max_num_of_private_grps "
    "max_num_of_public_grps public_grp_list_size max_num_of_predefined_msgs max_num_of_channels "
    "max_vol_level num_of_languages";
const std::map<std::string, std::string> kDefaultProfiles = {
    {"V480.lam", "XXXXXXXXXXX V480 10 150 20 100 100 25 16 7 6"},
    {"V440.lam", "XXXXXXXXXXX V440 10 100 10 50 50 16 8 5 2"},
};

// Each profile of the folder is listed there, loads with its model's capacities and converts to an
// image and back unchanged; every value in it is one the rules accept, and every list can grow.
TEST_F(RulesTest, DefaultProfilesHoldTheirModelsCapacitiesAndOnlyValuesTheRulesAccept) {
    std::size_t checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kTemplateFolder)) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() != ".lam") continue;
        SCOPED_TRACE(file);
        const auto capacities = kDefaultProfiles.find(file);
        ASSERT_NE(capacities, kDefaultProfiles.end()) << "a default profile not listed";
        ++checked;
        const std::string text = ReadText(kTemplateFolder + "/" + file);
        VirtualCP image;
        CDataAdaptor::XML2VirtualCP(text, image);
        EXPECT_EQ(test::ProfileText(image), text);

        Reload(text);
        const CDataItem limit = Root().GetChildByName("limit");
        std::istringstream names(kCapacityAttributes);
        std::string held;
        for (std::string name; names >> name;) {
            held += (held.empty() ? "" : " ") + Attr(limit, name.c_str());
        }
        EXPECT_EQ(held, capacities->second);
        EXPECT_EQ(std::to_string(limit.GetChildByName("languages").GetChildCount()),
                  Attr(limit, "num_of_languages"));

        const std::string before = Text();
        CDataItem setting = Root().GetChildByName("setting");
        for (xmlAttr* a = setting.Node()->properties; a != nullptr; a = a->next) {
            const std::string name(reinterpret_cast<const char*>(a->name));
            EXPECT_EQ(Set(setting, name, setting.GetAttributeValue(name)), kTaken) << name;
        }
        EXPECT_EQ(Text(), before);
        for (const char* list : kLists) {
            EXPECT_TRUE(List(list).IsEnabled()) << list;
            EXPECT_TRUE(List(list).CanAddChild()) << list;
            EXPECT_FALSE(List(list).AddNewChild().IsEmpty()) << list;
        }
        // With one child of each kind added, it still converts to an image and back.
        CDataAdaptor::XML2VirtualCP(Text(), image);
        Reload(test::ProfileText(image));
        EXPECT_EQ(List("Privates").GetChildCount(), 1);
        EXPECT_EQ(List("TextMessages").GetChildCount(), 1);
    }
    EXPECT_EQ(checked, kDefaultProfiles.size());
}

}  // namespace
}  // namespace vex
