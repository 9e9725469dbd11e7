#include "model/radio_data_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/exception.h"
#include "common/xml.h"
#include "model/fixtures/model_test_support.h"
#include "model/profile_schema.h"
#include "model/profile_text.h"

namespace vex {
namespace {

using test::FullImage;
using test::Insert;
using test::kEmptyScript;
using test::ProfileText;
using test::Raised;
using test::Replace;
using test::SmallImage;
using test::TemplateFolder;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// The exception `action` raises: message `id`, raised in `function`, with each of `parts` in its
// context.
CVEXPRGException ExpectRaises(const std::function<void()>& action, int id,
                              const std::string& function,
                              std::initializer_list<std::string> parts = {}) {
    const CVEXPRGException e = Raised(action);
    EXPECT_EQ(e.MessageId(), id);
    EXPECT_THAT(e.Context(), StartsWith("\n(" + function + ":"));
    for (const std::string& part : parts) EXPECT_THAT(e.Context(), HasSubstr(part));
    return e;
}

// The project's schema

class ProfileSchemaTest : public ::testing::Test {
  protected:
    ProfileSchemaTest() {
        std::string error;
        m_schema = ProfileSchema::Compile(test::ReadSourceSchema(), error);
        EXPECT_TRUE(m_schema) << error;
    }

    // Empty when the text parses and validates; else why not.
    std::string Verdict(const std::string& text) const {
        xml::ParseResult parsed = xml::ParseUntrusted(text);
        if (!parsed.doc) return "does not parse: " + parsed.reason;
        std::string errors;
        return m_schema->Validate(parsed.doc.get(), errors) ? std::string() : errors;
    }

    std::unique_ptr<ProfileSchema> m_schema;
};

// What every image produces is accepted: the default profiles (every list empty) and the small
// image are loaded by the model's tests, the largest image by the reload and the document tests.
TEST_F(ProfileSchemaTest, RefusesWhatNoImageProduces) {
    const std::string small = ProfileText(SmallImage());
    const std::pair<const char*, std::string> rows[] = {
        {"flag spelt true", Replace(small, "scan_en=\"1\"", "scan_en=\"true\"")},
        {"byte 256", Replace(small, "contrast=\"7\"", "contrast=\"256\"")},
        {"negative number", Replace(small, "contrast=\"7\"", "contrast=\"-1\"")},
        {"32-bit field past 32 bits",
         Replace(small, "backlight=\"5000\"", "backlight=\"4294967296\"")},
        {"two-character phase", Replace(small, "firmware_phase=\"R\"", "firmware_phase=\"RR\"")},
        {"public group typed private", Replace(small, "<PublicGroup\r\n\tcntct_type=\"2\"",
                                               "<PublicGroup\r\n\tcntct_type=\"0\"")},
        {"missing attribute", Replace(small, "\r\n\tbacklight=\"5000\"", "")},
        {"missing element", Replace(small, "<TextMessages>", "<TextMessagesX>")},
        {"unknown element", Insert(small, "</TextMessages>", "<Note/>", 1)},
        {"seventh language",
         Insert(small, "\r\n\t</languages>", "<language language_id=\"1\"/>", 5)},
        {"sixth parent group",
         Insert(small, "</ParentPrivateGroups>", "<ParentPrivateGroup pid=\"5000\"/>", 5)},
        {"26th text", Insert(small, "\r\n\t</TextMessages>", "<TextMessage txt=\"t\"/>", 24)},
        {"151st public group", Insert(small, "</PublicGroups>", test::kPublicGroupElement, 148)},
        {"other namespace", Replace(small, "urn:kestrion:vex480-prg:profile", "urn:other")},
    };
    for (const auto& [name, text] : rows) EXPECT_THAT(Verdict(text), HasSubstr("Line ")) << name;
}

// A schema written the other ways the lookup understands: references, named types extended,
// attribute groups, types derived in several steps (fixtures/typing.xsd).
TEST(ProfileSchema, TypesFollowTheDerivationChainThroughEveryKindOfDeclaration) {
    std::string error;
    auto schema = ProfileSchema::Compile(test::ReadFixture("typing.xsd"), error);
    ASSERT_TRUE(schema) << error;
    xml::ParseResult parsed = xml::ParseUntrusted(
        "<Root xmlns='urn:t'><Item signed='-5' grouped='1' inherited='1' int='2' words='a b' "
        "text='x' inline='3'><Leaf n='1'/></Item></Root>");
    ASSERT_TRUE(parsed.doc);
    std::string errors;
    EXPECT_TRUE(schema->Validate(parsed.doc.get(), errors)) << errors;
    const xmlNode* item = xmlDocGetRootElement(parsed.doc.get())->children;
    const xmlNode* leaf = item->children;

    const struct {
        const xmlNode* element;
        const char* attribute;
        SchemaRootType type;
    } rows[] = {
        {item, "signed", SchemaRootType::Long},
        {item, "grouped", SchemaRootType::UnsignedLong},
        {item, "inherited", SchemaRootType::Boolean},
        {item, "int", SchemaRootType::Other},
        {item, "words", SchemaRootType::Other},
        {item, "text", SchemaRootType::Other},
        {item, "inline", SchemaRootType::UnsignedLong},
        {leaf, "n", SchemaRootType::Long},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.attribute);
        SchemaRootType type = SchemaRootType::Other;
        ASSERT_TRUE(schema->GetAttributeRootType(row.element, row.attribute, type));
        EXPECT_EQ(type, row.type);
    }
    SchemaRootType ignored;
    EXPECT_FALSE(schema->GetAttributeRootType(item, "undeclared", ignored));
    EXPECT_NE(schema->FindElementDeclaration(leaf), nullptr);

    std::string function;
    EXPECT_TRUE(schema->FindHook(leaf, "OnDelete", function));
    EXPECT_EQ(function, "OnDelete_Leaf");
    EXPECT_FALSE(schema->FindHook(item, "OnDelete", function));

    // An element the schema does not declare at that place, and one outside the namespace.
    xml::ParseResult other = xml::ParseUntrusted(
        "<Root xmlns='urn:t'><Leaf n='1'/><x:Item xmlns:x='urn:other'/></Root>");
    ASSERT_TRUE(other.doc);
    const xmlNode* misplaced = xmlDocGetRootElement(other.doc.get())->children;
    EXPECT_EQ(schema->FindElementDeclaration(misplaced), nullptr);
    EXPECT_EQ(schema->FindElementDeclaration(misplaced->next), nullptr);
    EXPECT_FALSE(schema->GetAttributeRootType(misplaced, "n", ignored));
}

TEST(ProfileSchema, RefusesTextsThatAreNoCompilableSchema) {
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } rows[] = {
        {"not XML", "<xs:schema", "Line "},
        {"document type", "<!DOCTYPE s [<!ENTITY e 'x'>]><s/>", "document type"},
        {"not a schema", "<profile/>", "not an XML schema"},
        {"undefined type",
         "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
         "<xs:element name='a' type='Nowhere'/></xs:schema>",
         "Nowhere"},
        {"included file",
         "<xs:schema xmlns:xs='http://www.w3.org/2001/XMLSchema'>"
         "<xs:include schemaLocation='/etc/hostname'/></xs:schema>",
         "Line "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::string error;
        EXPECT_FALSE(ProfileSchema::Compile(row.text, error));
        EXPECT_THAT(error, HasSubstr(row.reason));
    }
}

// The model

class RadioDataModelTest : public ::testing::Test {
  protected:
    explicit RadioDataModelTest(const std::string& script = kEmptyScript) : m_folder(script) {}

    CRadioDataModel MakeModel() {
        return CRadioDataModel(m_folder.Path(),
                               [this](const std::string& text) { m_reports.push_back(text); });
    }

    TemplateFolder m_folder;
    std::vector<std::string> m_reports;
};

TEST_F(RadioDataModelTest, PlainScrambledAndTextSourcesLoadTheSameDocument) {
    // The template's own files may be scrambled too.
    const auto writeScrambled = [&](const char* name, std::string contents) {
        Scramble(contents);
        m_folder.Write(name, contents);
    };
    const std::string text = ProfileText(SmallImage());
    m_folder.Write("plain.lam", text);
    writeScrambled("scrambled.lam", text);
    writeScrambled("DataProfile.lua", kEmptyScript + "function Loaded() end\n");
    writeScrambled("DataProfile.xsd", test::ReadSourceSchema());

    std::vector<std::string> serialised;
    for (const auto& [source, isPath] :
         {std::pair{m_folder.File("plain.lam"), true},
          std::pair{m_folder.File("scrambled.lam"), true}, std::pair{text, false}}) {
        CRadioDataModel model = MakeModel();
        EXPECT_EQ(model.RootItem().Node(), nullptr);
        EXPECT_EQ(model.Serialise(), "");
        ASSERT_EQ(model.LoadProfile(source, isPath), 1);
        EXPECT_EQ(model.RootItem().Node(), xmlDocGetRootElement(model.Document()));
        EXPECT_TRUE(model.Script()->HasFunction("Loaded"));
        serialised.push_back(model.Serialise());
    }
    EXPECT_EQ(serialised[0], serialised[1]);
    EXPECT_EQ(serialised[0], serialised[2]);
    EXPECT_THAT(serialised[0], HasSubstr("<PrivateGroup cntct_type=\"1\" name=\"Night's watch\""));
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(RadioDataModelTest, RuleScriptThatCannotBeReadOrRunIs101) {
    const std::string profile = ProfileText(SmallImage());
    m_folder.Remove("DataProfile.lua");
    ExpectRaises([&] { MakeModel().LoadProfile(profile, false); }, 101,
                 "CRadioDataModel::Initialize",
                 {") read DataProfile.lua failed: ", m_folder.File("DataProfile.lua")});
    for (const char* broken : {"function (", "error('rules stop here')"}) {
        SCOPED_TRACE(broken);
        m_reports.clear();
        m_folder.Write("DataProfile.lua", kEmptyScript + broken);
        CRadioDataModel model = MakeModel();
        ExpectRaises([&] { model.Initialize(); }, 101, "CRadioDataModel::Initialize",
                     {"run DataProfile.lua failed"});
        ASSERT_EQ(m_reports.size(), 1u);
        EXPECT_THAT(m_reports[0], HasSubstr("Line: 2\n"));
        // Nothing loaded, and a later load tries again with the same host.
        EXPECT_EQ(model.Document(), nullptr);
        EXPECT_EQ(Raised([&] { model.LoadProfile(profile, false); }).MessageId(), 101);
        EXPECT_EQ(model.Script()->StatesCreated(), 1);
    }
}

TEST_F(RadioDataModelTest, SchemaThatCannotBeReadOrCompiledIs102AndKeepsTheLoadedDocument) {
    const std::string profile = ProfileText(SmallImage());
    CRadioDataModel model = MakeModel();
    ASSERT_EQ(model.LoadProfile(profile, false), 1);
    xmlDoc* loaded = model.Document();

    const struct {
        const char* schema;  // null: no file
        const char* detail;
    } rows[] = {
        {nullptr, ") read DataProfile.xsd failed\nFile='"},
        // Why a schema does not compile is the schema tests' part.
        {"<?xml version='1.0'?><xs:schema", ") compile DataProfile.xsd failed\nFile='"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.schema ? row.schema : "missing");
        if (row.schema == nullptr) {
            m_folder.Remove("DataProfile.xsd");
        } else {
            m_folder.Write("DataProfile.xsd", row.schema);
        }
        ExpectRaises([&] { model.LoadProfile(profile, false); }, 102,
                     "CRadioDataModel::LoadProfile",
                     {row.detail + m_folder.File("DataProfile.xsd") + "'\nDesc: "});
        EXPECT_EQ(model.Document(), loaded);
        EXPECT_EQ(model.RootItem().GetName(), "VEXProfile");
    }
}

TEST_F(RadioDataModelTest, ProfilesThatDoNotParseOrValidateAre105WithSourceAndReason) {
    const std::string valid = ProfileText(SmallImage());
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    std::string huge =
        Replace(valid, "txt=\"On my way\"", "txt=\"" + std::string(10 << 20, 'x') + "\"");
    const struct {
        const char* name;
        std::string text;
        const char* reason;
    } rows[] = {
        {"not well-formed", valid.substr(0, valid.size() - 3), "Line "},
        {"breaks the schema", Replace(valid, "contrast=\"7\"", "contrast=\"bright\""), "contrast"},
        {"external entity",
         Replace(Replace(valid, "<VEXProfile",
                         "<!DOCTYPE VEXProfile [<!ENTITY e SYSTEM 'file:///etc/passwd'>]>"
                         "<VEXProfile"),
                 "On my way", "&e;"),
         "document type declaration"},
        {"deep nesting", "<?xml version=\"1.0\"?>" + deep, "Line "},
        {"10 MB text", huge, "larger than any profile"},
        {"empty", "", ""},
    };
    CRadioDataModel model = MakeModel();
    const std::string file = m_folder.File("bad.lam");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // As text the detail echoes only the start of it; as a file it names the file.
        const CVEXPRGException e = ExpectRaises(
            [&] { model.LoadProfile(row.text, false); }, 105, "CRadioDataModel::LoadProfile",
            {") File='" + row.text.substr(0, 200), "'\nDesc: ", row.reason});
        EXPECT_LT(e.Context().size(), 2000u);
        m_folder.Write("bad.lam", row.text);
        ExpectRaises([&] { model.LoadProfile(file, true); }, 105, "CRadioDataModel::LoadProfile",
                     {") File='" + file + "'\nDesc: "});
        EXPECT_EQ(model.Document(), nullptr);
    }
    m_folder.Remove("bad.lam");
    ExpectRaises([&] { model.LoadProfile(file, true); }, 105, "CRadioDataModel::LoadProfile",
                 {") File='" + file + "'\nDesc: "});
}

TEST_F(RadioDataModelTest, OnlyCompatibilityVersionTenIsSupported) {
    CRadioDataModel model = MakeModel();
    const std::string ten = ProfileText(SmallImage());
    EXPECT_EQ(model.ValidateProfile(ten), 1);
    const std::string without = Replace(ten, "\r\n\tclone_compatibility_version=\"10\"", "");
    EXPECT_EQ(model.ValidateProfile(without), 0);
    EXPECT_EQ(model.LoadProfile(without, false), 1);

    for (const char* value : {"9", "010", "10 ", ""}) {
        SCOPED_TRACE(value);
        const std::string text =
            Replace(ten, "clone_compatibility_version=\"10\"",
                    std::string("clone_compatibility_version=\"") + value + "\"");
        const CVEXPRGException e = ExpectRaises([&] { model.ValidateProfile(text); }, 10156,
                                                "CRadioDataModel::ValidateProfile");
        EXPECT_THAT(e.Context(), EndsWith(") "));
        EXPECT_EQ(Raised([&] { model.LoadProfile(text, false); }).MessageId(), 10156);
    }
    // Quoting the text check cannot see still meets the parsed attribute.
    for (const char* spelling :
         {"clone_compatibility_version='9'", "clone_compatibility_version = \"9\""}) {
        SCOPED_TRACE(spelling);
        const std::string text = Replace(ten, "clone_compatibility_version=\"10\"", spelling);
        EXPECT_EQ(model.ValidateProfile(text), 0);
        ExpectRaises([&] { model.LoadProfile(text, false); }, 10156,
                     "CRadioDataModel::LoadProfile");
    }
    // The radio-less image writes version 0.
    EXPECT_EQ(Raised([&] { model.LoadProfile(ProfileText(VirtualCP()), false); }).MessageId(),
              10156);
}

// A rule script that keeps the node of its first call and looks at it on every later one.
const std::string kKeepingScript = kEmptyScript + R"lua(
local kept
function SetVal_setting(element, attribute, value, answer)
  if kept then kept:get("contrast") end
  kept = element
  element:set(attribute:name(), value)
  return 0
end
)lua";

class RadioDataModelReloadTest : public RadioDataModelTest {
  protected:
    RadioDataModelReloadTest() : RadioDataModelTest(kKeepingScript) {}
};

TEST_F(RadioDataModelReloadTest, SecondLoadReusesTheScriptAndRefusesWhatBelongedToTheFirst) {
    CRadioDataModel model = MakeModel();
    ASSERT_EQ(model.LoadProfile(ProfileText(SmallImage()), false), 1);
    const ScriptHost* host = model.Script();
    const CDataItem firstRoot = model.RootItem();
    CDataItem setting = firstRoot.GetChildByName("setting");
    std::int32_t msgId = -1;
    std::int32_t style = -1;
    EXPECT_EQ(setting.SetAttributeValue("contrast", std::uint32_t{9}, msgId, 0, style), 0);
    EXPECT_EQ(std::get<std::uint32_t>(setting.GetAttributeValue("contrast")), 9u);

    ASSERT_EQ(model.LoadProfile(ProfileText(FullImage()), false), 1);
    EXPECT_EQ(model.Script(), host);
    EXPECT_EQ(model.Script()->StatesCreated(), 1);

    // Items of the first document are stale, not dangling.
    for (const CDataItem* old : {&firstRoot, static_cast<const CDataItem*>(&setting)}) {
        const CVEXPRGException e = Raised([&] { old->GetChildCount(); });
        EXPECT_EQ(e.MessageId(), 106);
        EXPECT_THAT(e.Context(), HasSubstr("ErrorMsg: Stale data item\nDesc: "));
    }
    // The script's kept node from the first document is refused by the host.
    CDataItem fresh = model.RootItem().GetChildByName("setting");
    const CVEXPRGException e =
        Raised([&] { fresh.SetAttributeValue("contrast", std::uint32_t{3}, msgId, 0, style); });
    EXPECT_EQ(e.MessageId(), 106);
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_THAT(m_reports[0], HasSubstr("stale"));
    EXPECT_EQ(std::get<std::uint32_t>(fresh.GetAttributeValue("contrast")), 255u);
}

TEST_F(RadioDataModelTest, ItemsOutlivingTheirModelAreRefused) {
    CDataItem root;
    {
        CRadioDataModel model = MakeModel();
        ASSERT_EQ(model.LoadProfile(ProfileText(SmallImage()), false), 1);
        root = model.RootItem();
    }
    ExpectRaises([&] { root.GetChildByName("setting"); }, 106, "CDataItem::GetChildByName");
}

}  // namespace
}  // namespace vex
