#include "model/data_item.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/exception.h"
#include "model/fixtures/model_test_support.h"
#include "model/radio_data_model.h"

namespace vex {
namespace {

using test::kEmptyScript;
using test::ProfileText;
using test::Raised;
using test::SmallImage;
using test::TemplateFolder;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

// The message number and the exception's one context line without its source line number:
// "106 (function) detail"; a failure when `action` raises nothing.
std::string Error(const std::function<void()>& action) {
    const CVEXPRGException e = Raised(action);
    const std::string& context = e.Context();
    const std::size_t colon = context.find(':', context.find("::") + 2);
    const std::size_t close = context.find(") ");
    if (context.rfind("\n(", 0) != 0 || colon == std::string::npos || close == std::string::npos) {
        return std::to_string(e.MessageId()) + context;
    }
    return std::to_string(e.MessageId()) + " " + context.substr(1, colon - 1) +
           context.substr(close);
}

// What Error gives for a hook call `call` that failed in `function`.
std::string ScriptFailed(const std::string& function, const std::string& call) {
    return "106 (CDataItem::" + function + ") Invoke script function failed\nfunction name=" + call;
}

class ModelFixture : public ::testing::Test {
  protected:
    ModelFixture(const std::string& script, const std::string& schema, const std::string& profile)
        : m_folder(script, schema),
          m_model(m_folder.Path(), [this](const std::string& text) { m_reports.push_back(text); }) {
        m_model.LoadProfile(profile, false);
        m_root = m_model.RootItem();
    }

    // The element at a path of child names from the root.
    CDataItem At(std::initializer_list<const char*> names) const {
        CDataItem item = m_root;
        for (const char* name : names) item = item.GetChildByName(name);
        return item;
    }

    // SetAttributeValue, with its message and style into m_msgId and m_style.
    int Set(CDataItem item, const char* attribute, const AttributeValue& value, int answer = 0) {
        return item.SetAttributeValue(attribute, value, m_msgId, answer, m_style);
    }

    TemplateFolder m_folder;
    std::vector<std::string> m_reports;
    CRadioDataModel m_model;
    CDataItem m_root;
    std::int32_t m_msgId = -1;
    std::int32_t m_style = -1;
};

// Without hooks: a schema of its own that names none, with one type of each root
// (fixtures/plain.xsd).

constexpr const char* kPlainProfile = R"(<?xml version="1.0"?>
<VEXProfile xmlns="urn:kestrion:vex480-prg:profile"><List>
  <Entry offset="-7" count="4294967295" on="true" label="a &amp; b"/>
  <!-- a comment is no child item -->
  <Entry offset="2147483648" count="4294967296" on="0" label=""/>
  <Entry/>
</List></VEXProfile>)";

class DataItemWithoutHooks : public ModelFixture {
  protected:
    DataItemWithoutHooks()
        : ModelFixture(kEmptyScript, test::ReadFixture("plain.xsd"), kPlainProfile) {}
};

TEST_F(DataItemWithoutHooks, NavigatesChildElementsByNameAndIndex) {
    ASSERT_FALSE(m_root.IsEmpty());
    const CDataItem list = At({"List"});
    EXPECT_EQ(list.GetName(), "List");
    EXPECT_EQ(list.GetChildCount(), 3);  // the comment is not counted
    EXPECT_EQ(list.GetChildByIndex(1).GetAttributeValue("on"), AttributeValue(false));
    EXPECT_EQ(list.GetChildByIndex(2).Node(), xmlLastElementChild(list.Node()));
    EXPECT_TRUE(list.GetChildByIndex(3).IsEmpty());
    EXPECT_TRUE(list.GetChildByIndex(-1).IsEmpty());

    for (const char* name : {"Missing", "Entry", "*", "dfns:List", "List or 1", ""}) {
        EXPECT_EQ(Error([&] { m_root.GetChildByName(name); }),
                  std::string("107 (CDataItem::GetChildByName) Name='") + name + "'");
    }
    EXPECT_EQ(Error([] { CDataItem().GetChildCount(); }),
              "106 (CDataItem::GetChildCount) ErrorMsg: No node\nDesc: The data item wraps no "
              "profile node\nSource: CDataItem");
}

TEST_F(DataItemWithoutHooks, TypesValuesByTheRootOfTheirDeclaredType) {
    const CDataItem first = At({"List", "Entry"});
    EXPECT_EQ(first.GetAttributeValue("offset"), AttributeValue(std::int32_t{-7}));
    EXPECT_EQ(first.GetAttributeValue("count"), AttributeValue(std::uint32_t{4294967295u}));
    EXPECT_EQ(first.GetAttributeValue("on"), AttributeValue(true));
    EXPECT_EQ(first.GetAttributeValue("label"), AttributeValue(std::string("a & b")));

    // Valid for the schema, but past the 32 bits of the value types.
    const CDataItem second = At({"List"}).GetChildByIndex(1);
    EXPECT_EQ(second.GetAttributeValue("on"), AttributeValue(false));
    for (const char* name : {"offset", "count"}) {
        EXPECT_THAT(Error([&] { second.GetAttributeValue(name); }),
                    StartsWith("106 (CDataItem::GetAttributeValue) ErrorMsg: Type mismatch"));
    }
    EXPECT_EQ(Error([&] { first.GetAttributeValue("missing"); }),
              "108 (CDataItem::GetAttributeValue) Name='missing'");
}

TEST_F(DataItemWithoutHooks, ChangesApplyAtOnceWithNoMessages) {
    CDataItem list = At({"List"});
    CDataItem entry = list.GetChildByIndex(0);
    EXPECT_FALSE(list.CanAddChild());
    EXPECT_TRUE(list.IsEnabled());
    EXPECT_TRUE(list.AddNewChild().IsEmpty());
    std::string function;
    EXPECT_FALSE(entry.GetScriptHandler(entry.Node(), "SetVal", function));

    const struct {
        const char* attribute;
        AttributeValue value;
        const char* written;
    } rows[] = {
        {"on", false, "0"},
        {"on", true, "1"},
        {"offset", std::int32_t{-3}, "-3"},
        {"count", std::uint32_t{4000000000u}, "4000000000"},
        {"label", std::string("\xC3\xA9"), "\xC3\xA9"},
        {"label", std::string("x<\"&'y"), "x<\"&'y"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.written);
        EXPECT_EQ(entry.SetAttributeValue(row.attribute, row.value, m_msgId, 0, m_style), 0);
        EXPECT_EQ(m_msgId, 0);
        EXPECT_EQ(m_style, 0);
        std::string text;
        ASSERT_TRUE(xml::GetAttribute(entry.Node(), row.attribute, text));
        EXPECT_EQ(text, row.written);
    }
    EXPECT_THAT(m_model.Serialise(), HasSubstr("label=\"x&lt;&quot;&amp;'y\""));

    // Text that would not survive a save is refused; so is an attribute the element lacks.
    for (const char* bad : {"a\x01z", "\xFF"}) {
        EXPECT_THAT(Error([&] { Set(entry, "label", std::string(bad)); }), StartsWith("106 "));
    }
    EXPECT_EQ(Error([&] { Set(At({"List"}).GetChildByIndex(2), "on", true); }),
              "108 (CDataItem::SetAttributeValue) Name='on'");
}

TEST_F(DataItemWithoutHooks, RemovesChildrenByIndexAndKeepsRemovedOnesSafe) {
    CDataItem list = At({"List"});
    const CDataItem removed = list.GetChildByIndex(0);
    EXPECT_EQ(Error([&] { list.RemoveChildByIndex(3, m_msgId, 0, m_style); }),
              "108 (CDataItem::RemoveChildByIndex) Index='3'");
    EXPECT_EQ(m_msgId, 0);
    EXPECT_EQ(m_style, 0);

    EXPECT_EQ(list.RemoveChildByIndex(0, m_msgId, 0, m_style), 0);
    EXPECT_EQ(list.GetChildCount(), 2);
    EXPECT_EQ(list.GetChildByIndex(0).GetAttributeValue("on"), AttributeValue(false));
    // The removed element is no longer in the profile: it has no declaration there.
    EXPECT_EQ(removed.GetName(), "Entry");
    EXPECT_THAT(Error([&] { removed.GetAttributeValue("on"); }), StartsWith("106 "));
    EXPECT_FALSE(removed.CanAddChild());
    EXPECT_THAT(m_model.Serialise(), Not(HasSubstr("-7")));
}

// With hooks: the project's schema and a rule script written for each case (fixtures/hooks.lua).

class DataItemWithHooks : public ModelFixture {
  protected:
    DataItemWithHooks()
        : ModelFixture(test::ReadFixture("hooks.lua"), test::ReadSourceSchema(),
                       ProfileText(SmallImage())) {}
};

// What a hook answers to a change, and how the model applies it, is pinned by the rule script's
// tests; these are the answers no rule gives.
TEST_F(DataItemWithHooks, HookResultsConvertFromTextOrAre106AsScriptErrorsAre) {
    CDataItem setting = At({"setting"});
    EXPECT_EQ(Set(setting, "vibracall", std::uint32_t{1}), 12);  // integers given as text convert
    EXPECT_EQ(m_msgId, 126);
    for (const char* attribute :
         {"backlight", "language", "ringer_vol_level", "keypad_vol_level", "alarm_time"}) {
        SCOPED_TRACE(attribute);
        m_reports.clear();
        EXPECT_EQ(Error([&] { Set(setting, attribute, std::uint32_t{5}); }),
                  ScriptFailed("SetAttributeValue", "SetAttributeValue,Node=setting Attribute=" +
                                                        std::string(attribute) + " Value=5"));
        EXPECT_EQ(m_msgId, 0);
        // Only a script error is reported; it is reported before the exception.
        EXPECT_EQ(m_reports.size(), std::string(attribute) == "alarm_time" ? 1u : 0u);
    }
    EXPECT_THAT(m_reports.at(0), HasSubstr("rules stop here"));

    // A hook may add an attribute the schema does not declare: it cannot be typed.
    Set(setting, "call_forward_id", std::string("1002"));
    EXPECT_THAT(Error([&] { setting.GetAttributeValue("extra"); }),
                StartsWith("106 (CDataItem::GetAttributeValue) ErrorMsg: No schema declaration\n"));
}

TEST_F(DataItemWithHooks, ListHooksDecideAddingEnablingAndRemoval) {
    CDataItem privates = At({"Contacts", "Privates"});
    EXPECT_FALSE(privates.CanAddChild());           // nil
    EXPECT_TRUE(privates.AddNewChild().IsEmpty());  // not a node
    EXPECT_FALSE(privates.IsEnabled());

    // Hooks named in the schema but missing from the script are refused without a report; a
    // script error is reported, and a new node left outside the tree is no new child.
    CDataItem groups = At({"Contacts", "PrivateGroups"});
    CDataItem texts = At({"TextMessages"});
    EXPECT_EQ(Error([&] { groups.CanAddChild(); }),
              ScriptFailed("CanAddChild", "CanAddChild,Node=PrivateGroups"));
    EXPECT_EQ(Error([&] { groups.IsEnabled(); }),
              ScriptFailed("IsEnabled", "IsEnabled,Node=PrivateGroups"));
    EXPECT_EQ(Error([&] { groups.RemoveChildByIndex(0, m_msgId, 0, m_style); }),
              ScriptFailed("RemoveChildByIndex", "OnDelete,Node=PrivateGroup"));
    EXPECT_EQ(groups.GetChildCount(), 2);
    EXPECT_TRUE(m_reports.empty());
    EXPECT_EQ(Error([&] { texts.CanAddChild(); }),
              ScriptFailed("CanAddChild", "CanAddChild,Node=TextMessages"));
    EXPECT_EQ(Error([&] { texts.AddNewChild(); }),
              ScriptFailed("AddNewChild", "OnAddNew,Node=TextMessages"));
    EXPECT_EQ(m_reports.size(), 2u);
    EXPECT_EQ(texts.GetChildCount(), 2);

    // No OnDelete on a language: removed at once.
    CDataItem languages = At({"limit", "languages"});
    EXPECT_EQ(languages.RemoveChildByIndex(0, m_msgId, 0, m_style), 0);
    EXPECT_EQ(languages.GetChildCount(), 1);
}

// Hooks that change the document and then fail, and boolean hooks whose result a setting picks
// (fixtures/failing_hooks.lua).
class DataItemAllOrNothing : public ModelFixture {
  protected:
    DataItemAllOrNothing()
        : ModelFixture(test::ReadFixture("failing_hooks.lua"), test::ReadSourceSchema(),
                       ProfileText(SmallImage())) {}
};

TEST_F(DataItemAllOrNothing, AHookThatFailsHalfWayLeavesTheDocumentAsItWas) {
    const std::string before = m_model.Serialise();
    for (const char* value : {"error", "loop", "no number"}) {
        SCOPED_TRACE(value);
        CDataItem text = At({"TextMessages"}).GetChildByIndex(0);
        EXPECT_THAT(Error([&] { Set(text, "txt", std::string(value)); }), StartsWith("106 "));
        EXPECT_EQ(m_model.Serialise(), before);
        EXPECT_EQ(text.GetAttributeValue("txt"), AttributeValue(std::string("On my way")));
    }
    // The same changes, taken.
    EXPECT_EQ(Set(At({"TextMessages"}).GetChildByIndex(0), "txt", std::string("fine")), 0);
    EXPECT_EQ(At({"TextMessages"}).GetChildCount(), 3);
    EXPECT_EQ(At({"Contacts", "PrivateGroups"}).GetChildCount(), 1);
}

TEST_F(DataItemAllOrNothing, BooleanHookResultsConvertLikeNumbers) {
    const struct {
        const char* pick;
        int enabled;  // -1: does not convert (106)
    } cases[] = {{"zero", 0},      {"zeroText", 0}, {"no", 0},      {"nothing", 0},
                 {"zeroFloat", 0}, {"one", 1},      {"oneText", 1}, {"yes", 1},
                 {"minus", 1},     {"trueText", 1}, {"word", -1},   {"node", -1}};
    CDataItem privates = At({"Contacts", "Privates"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pick);
        xmlSetProp(At({"setting"}).Node(), reinterpret_cast<const xmlChar*>("call_forward_id"),
                   reinterpret_cast<const xmlChar*>(c.pick));
        if (c.enabled < 0) {
            EXPECT_THAT(Error([&] { privates.IsEnabled(); }), StartsWith("106 "));
        } else {
            EXPECT_EQ(privates.IsEnabled(), c.enabled == 1);
        }
    }
}

class DataItemQueries : public ModelFixture {
  protected:
    DataItemQueries() : ModelFixture(kEmptyScript, test::ReadSourceSchema(), Profile()) {}

    static std::string Profile() {
        VirtualCP image = SmallImage();
        image.m_contacts[7].pid = "7'\"7";  // Cy: a PID no quoting alone can hold
        return ProfileText(image);
    }
};

TEST_F(DataItemQueries, CountListsFindContactsAndListGroupMembersInDocumentOrder) {
    // Fire, Harbour, Crew, Bob, Cy are in the scroll list.
    EXPECT_EQ(CDataItem::GetScrollListCount(At({"limit"})), 5);
    EXPECT_EQ(CDataItem::GetScanListCount(m_root, 3), 2);
    EXPECT_EQ(CDataItem::GetScanListCount(m_root, 4), 1);
    EXPECT_EQ(CDataItem::GetScanListCount(m_root, 5), 0);

    EXPECT_EQ(CDataItem::GetContactNameByID(m_root, "5001"), "Night's watch");
    EXPECT_EQ(CDataItem::GetContactNameByID(m_root, "1001"), "Ann");
    EXPECT_EQ(CDataItem::GetContactNameByID(m_root, "7'\"7"), "Cy");
    EXPECT_EQ(CDataItem::GetContactNameByID(m_root, "1001' or '1"), "");
    EXPECT_EQ(CDataItem::GetContactNameByID(m_root, "9"), "");
    // An empty PID needs no query, and so no item.
    EXPECT_EQ(CDataItem::GetContactNameByID(CDataItem(), ""), "");
    EXPECT_TRUE(CDataItem::GetContactByID(CDataItem(), "").IsEmpty());
    const CDataItem bob = CDataItem::GetContactByID(m_root, "1002");
    ASSERT_FALSE(bob.IsEmpty());
    EXPECT_EQ(bob.GetName(), "Private");
    EXPECT_EQ(bob.GetAttributeValue("name"), AttributeValue(std::string("Bob")));
    EXPECT_TRUE(CDataItem::GetContactByID(m_root, "9").IsEmpty());

    std::vector<std::string> pids = {"stale"};
    std::vector<std::string> names = {"stale"};
    CDataItem::GetGroupMemeber(m_root, "5000", pids, names);
    EXPECT_THAT(pids, ElementsAre("1002", "1001"));
    EXPECT_THAT(names, ElementsAre("Bob", "Ann"));
    CDataItem::GetGroupMemeber(m_root, "5001", pids, names);
    EXPECT_THAT(names, ElementsAre("Ann"));
    CDataItem::GetGroupMemeber(m_root, "5002", pids, names);
    EXPECT_THAT(pids, IsEmpty());
    EXPECT_THAT(names, IsEmpty());
}

}  // namespace
}  // namespace vex
