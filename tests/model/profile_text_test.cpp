#include "model/profile_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codeplug/data_adaptor.h"
#include "common/exception.h"
#include "common/xml.h"
#include "model/data_item.h"
#include "model/fixtures/model_test_support.h"
#include "support/image_printers.h"

namespace vex {
namespace {

std::string Profile(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>"
           "<VEXProfile xmlns=\"urn:kestrion:vex480-prg:profile\">" +
           body + "</VEXProfile>";
}

// The values of attribute `key` of the children of the first element named `parent`, in order.
std::vector<std::string> Keys(const std::string& text, const char* parent, const char* key) {
    xml::ParseResult parsed = xml::ParseUntrusted(text);
    EXPECT_TRUE(parsed.doc) << parsed.reason;
    std::vector<std::string> keys;
    if (!parsed.doc) return keys;
    auto context =
        xml::MakeXPathContext(parsed.doc.get(), "dfns", "urn:kestrion:vex480-prg:profile");
    xmlNode* node = xml::SelectFirst(context.get(), (std::string("//dfns:") + parent).c_str());
    EXPECT_NE(node, nullptr);
    for (xmlNode* child = node ? node->children : nullptr; child; child = child->next) {
        std::string value = "<none>";
        xml::GetAttribute(child, key, value);
        keys.push_back(value);
    }
    return keys;
}

// Sorting is called through the data item, as the pages call it.
TEST(SortXMLChildNodes, StableWithoutRegardToCaseAndMissingKeysFirst) {
    // Names equal but for case keep their order; keys compare as text; accented capitals fold.
    const std::string privates = Profile(
        "<Privates><Private name='b' n='1'/><Private name='A' n='2'/><Private name='a' n='3'/>"
        "<Private name='9' n='4'/><Private name='10' n='5'/><Private name='B' n='6'/></Privates>");
    const std::string texts = Profile(
        "<TextMessages><TextMessage txt='\xC3\xA9t\xC3\xA9' n='1'/><TextMessage n='2'/>"
        "<TextMessage txt='\xC3\x89T\xC3\x89' n='3'/><TextMessage txt='z' n='4'/></TextMessages>");
    const struct {
        const std::string& text;
        const char* parent;
        const char* key;
        bool ascending;
        std::vector<std::string> order;
    } rows[] = {
        {privates, "Privates", "name", true, {"5", "4", "2", "3", "1", "6"}},
        {privates, "Privates", "name", false, {"1", "6", "2", "3", "4", "5"}},
        {texts, "TextMessages", "txt", true, {"2", "4", "1", "3"}},
    };
    for (const auto& row : rows) {
        std::string text = row.text;
        CDataItem::SortXMLChildNodes(text, row.parent, row.key, row.ascending);
        EXPECT_EQ(Keys(text, row.parent, "n"), row.order) << row.parent << row.ascending;
    }
}

TEST(SortXMLChildNodes, ReportsTextItCannotSort) {
    const struct {
        const char* what;
        std::string text;
        int id;
    } rows[] = {
        {"not XML", "<VEXProfile", 105},
        {"a DOCTYPE", "<?xml version='1.0'?><!DOCTYPE x []>" + Profile("<Privates/>"), 105},
        {"no such list", Profile("<PublicGroups/>"), 106},
        {"larger than any profile", Profile("<Privates/>") + std::string(kMaxProfileTextSize, ' '),
         105},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::string text = row.text;
        const CVEXPRGException e =
            test::Raised([&] { CDataItem::SortXMLChildNodes(text, "Privates", "name", true); });
        EXPECT_EQ(e.MessageId(), row.id);
        EXPECT_THAT(e.Context(), ::testing::HasSubstr("(CDataItem::SortXMLChildNodes:"));
        EXPECT_EQ(text, row.text);  // untouched
    }
}

TEST(SortProfileLists, SortsAllFourListsAndTheResultConvertsToTheSameImage) {
    VirtualCP image = test::SmallImage();
    image.m_contacts[1].name = "rescue";  // sorting ignores case
    const std::string text = test::ProfileText(image);
    std::string sorted = text;
    SortProfileLists(sorted);

    EXPECT_THAT(Keys(sorted, "TextMessages", "txt"),
                ::testing::ElementsAre("Call base", "On my way"));
    EXPECT_THAT(Keys(sorted, "Privates", "name"), ::testing::ElementsAre("Ann", "Bob", "Cy"));
    EXPECT_THAT(Keys(sorted, "PublicGroups", "name"),
                ::testing::ElementsAre("Fire", "Harbour", "rescue"));
    EXPECT_THAT(Keys(sorted, "PrivateGroups", "name"),
                ::testing::ElementsAre("Crew", "Night's watch"));

    VirtualCP fromOriginal;
    VirtualCP fromSorted;
    CDataAdaptor::XML2VirtualCP(text, fromOriginal);
    CDataAdaptor::XML2VirtualCP(sorted, fromSorted);
    // Contacts end sorted by name either way; text messages take the sorted order.
    EXPECT_EQ(fromSorted.m_contacts, fromOriginal.m_contacts);
    EXPECT_EQ(fromSorted.m_texts[0], "Call base");
    EXPECT_EQ(fromSorted.m_texts[1], "On my way");
    fromSorted.m_texts = fromOriginal.m_texts;
    EXPECT_EQ(fromSorted, fromOriginal);
}

TEST(Scrambling, ScrambledAndPlainTextReadTheSame) {
    const std::string plain = "<?xml version=\"1.0\"?><a b=\"\xC3\xA9\"/>";
    std::string scrambled = plain;
    Scramble(scrambled);
    EXPECT_NE(scrambled, plain);
    EXPECT_EQ(scrambled.find('\0'), std::string::npos);  // UTF-8 never holds the key byte
    EXPECT_EQ(static_cast<std::uint8_t>(scrambled[0]), '<' ^ FileScrambleKey);

    UnscrambleUnlessBeginsWith(scrambled, kXmlFileStart);
    EXPECT_EQ(scrambled, plain);

    // A plain text is recognised without regard to case; anything else is unscrambled.
    const struct {
        const char* text;
        bool plain;
    } rows[] = {{"<?xml ?>", true}, {"<?XML ?>", true}, {"<?XmL ?>", true},
                {"", false},        {"<?x", false},     {" <?xml", false}};
    for (const auto& row : rows) {
        std::string text = row.text;
        std::string expected = row.text;
        if (!row.plain) Scramble(expected);
        UnscrambleUnlessBeginsWith(text, kXmlFileStart);
        EXPECT_EQ(text, expected) << row.text;
    }
}

}  // namespace
}  // namespace vex
