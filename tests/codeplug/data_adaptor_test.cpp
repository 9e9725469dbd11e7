#include "codeplug/data_adaptor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/exception.h"
#include "common/namespaces.h"
#include "support/contacts.h"
#include "support/image_printers.h"
#include "support/io_helpers.h"

namespace vex {
namespace {

using ::testing::HasSubstr;

// The complete text of a freshly constructed image, written out by hand from the file format. It
// is kept byte for byte (CR LF TAB before most pieces, a stray LF CR pair), so git leaves its line
// ends alone.
const std::string kFreshImageText = test::Fixture(__FILE__, "fresh_image.xml");

std::string ToText(const VirtualCP& image) {
    std::string text = "left over";
    EXPECT_EQ(CDataAdaptor::VirtualCP2XML(image, text), 1);
    return text;
}

VirtualCP FromText(const std::string& text) {
    VirtualCP image;
    EXPECT_EQ(CDataAdaptor::XML2VirtualCP(text, image), 1);
    return image;
}

// The fresh text with one piece replaced, for documents that differ from it in one place.
std::string FreshWith(const std::string& piece, const std::string& replacement) {
    std::string text = kFreshImageText;
    const auto at = text.find(piece);
    EXPECT_NE(at, std::string::npos) << piece;
    text.replace(at, piece.size(), replacement);
    return text;
}

const std::string kEmptyContacts =
    "<Contacts> <PublicGroups></PublicGroups><PrivateGroups></PrivateGroups><Privates></Privates>"
    "</Contacts>";

// A Private element with every attribute, `name` as its name and pid, and `groups` inside its
// ParentPrivateGroups.
std::string PrivateElement(const std::string& name, const std::string& groups = "") {
    return "<Private cntct_type='0' name='" + name + "' pid='" + name +
           "' channel='1' in_scroll_list='0' alert_tone='0' home_grp='' show_grp_only='0' "
           "id_in_use='0' see_all_groups='0' mngr_mode='0'>\r\n\t<ParentPrivateGroups>" +
           groups + "</ParentPrivateGroups></Private>";
}

TEST(VirtualCP2XML, FreshImageGivesTheCompleteDefaultDocumentAndBack) {
    EXPECT_EQ(ToText(VirtualCP()), kFreshImageText);
    EXPECT_EQ(FromText(kFreshImageText), VirtualCP()) << "empty lists leave every slot empty";
}

TEST(VirtualCP2XML, PopulatedImageWritesEveryPieceWithItsSeparators) {
    VirtualCP image;
    image.m_limits.pid = "1001";
    image.m_limits.model = "VX48";
    image.m_limits.num_of_languages = 2;
    image.m_limits.languages = {3, 7, 9, 0, 0, 0};
    image.m_limits.feature_bits = 1u << feature::kPrvtCallRecDis;
    image.m_version.codeplug_dev_version = 200;  // a signed character: written sign-extended
    image.m_version.firmware_phase = '&';

    // Slot order: a Private, a PublicGroup, a PrivateGroup, another Private.
    ContactRecord p1 = MakeContact(ContactType::Private, "Zo\xEB", "1001", 1);  // ISO 8859-1
    p1.alert_tone = 3;
    p1.flags = 0x07;  // id_in_use, in_scroll_list, show_grp_only
    p1.own_flags = 0xC0;
    p1.parent_groups = {"2001", "", "2002", "", ""};
    p1.home_grp = "2002";
    image.m_contacts[0] = p1;
    ContactRecord g = MakeContact(ContactType::PublicGroup, "A&\"<>'", "17179869183", 2);
    g.flags = 0x08;  // in_scan_list
    image.m_contacts[1] = g;
    image.m_contacts[2] = MakeContact(ContactType::PrivateGroup, "Crew", "2001", 1);
    image.m_contacts[3] = MakeContact(ContactType::Private, "", "1002", 1);
    image.m_texts[0] = "Hello";
    image.m_texts[2] = "Bye <now>";

    // The whole document, CR LF TAB before most pieces; the private group's first attribute follows
    // LF CR TAB, and its channel a space.
    const std::string text = test::Fixture(__FILE__, "populated_image.xml");
    EXPECT_EQ(ToText(image), text);
    EXPECT_EQ(FromText(text).m_version.firmware_phase, '&');
}

TEST(VirtualCP2XML, TheLanguageListIsNeverOverreadAndNoPhaseIsAnEmptyText) {
    VirtualCP image;
    image.m_version.firmware_phase = 0;
    image.m_limits.num_of_languages = 200;
    image.m_limits.languages = {1, 2, 3, 4, 5, 6};
    const std::string text = ToText(image);
    EXPECT_THAT(text, HasSubstr("firmware_phase=\"\""));
    EXPECT_THAT(text, HasSubstr("num_of_languages=\"200\""));
    EXPECT_THAT(text, HasSubstr("<language language_id=\"6\" />\r\n\t</languages>"));
}

// A populated image with a value in every field a profile carries, and something in every field it
// does not carry.
VirtualCP FullImage() {
    VirtualCP image;
    image.m_version = {'D', 0x5E, 4, 7, 2, 15, 250};
    // A profile's PID range is taken as it is, even backwards.
    // clang-format off
    image.m_limits = {"1001", {"9", "3"}, {"17179869183", 64}, "VX48", 10, 150, 20, 64, 25,
                      0xFFFFFFFFu, 0xDEADBEEF, 6, {1, 2, 3, 4, 5, 255}, 16, 7};
    // clang-format on
    image.m_settings = {6, 30000, 1, 0x01020304, 4000000000u, 1,     2,
                        3, 4,     5, 2,          0xFFFFFFFFu, "1002"};
    image.m_contacts[0] = MakeContact(ContactType::PublicGroup, "Alpha", "17179869183", 3);
    image.m_contacts[0].flags = 0x0A;
    image.m_contacts[0].alert_tone = 9;  // not carried for a group
    image.m_contacts[1] = MakeContact(ContactType::PrivateGroup, "Crew", "2001", 1);
    image.m_contacts[1].flags = 0x02;
    ContactRecord p = MakeContact(ContactType::Private, "Zo\xEB & \"co\"", "1001", 1);
    p.alert_tone = 4;
    p.flags = 0x07;
    p.own_flags = 0xC0;
    p.parent_groups = {"2001", "2002", "2003", "2004", "2005"};
    p.home_grp = "17179869183";
    p.group_count = 6;  // scratch
    p.home_index = 6;
    image.m_contacts[2] = p;
    image.m_texts[0] = "Meet at 9";
    image.m_texts[1] = "It's <late>";
    return image;
}

TEST(ProfileRoundTrip, KeepsWhatTheProfileCarriesAndClearsTheRest) {
    const VirtualCP original = FullImage();
    const VirtualCP back = FromText(ToText(original));

    VirtualCP expected = original;
    // Not carried by a profile: the unnamed feature bits 0-7 and 15, the unnamed setting bits
    // 0-23, alert_tone of a group, the scratch bytes.
    expected.m_limits.feature_bits = 0xFFFF7F00u;
    expected.m_settings.setting_bits = 0xFF000000u;
    expected.m_contacts[0].alert_tone = 0;
    expected.m_contacts[2].group_count = 0;
    expected.m_contacts[2].home_index = 0;
    EXPECT_EQ(back, expected);

    // And the text is a fixed point.
    EXPECT_EQ(ToText(back), ToText(expected));
}

TEST(XML2VirtualCP, SortsContactsByNameWithoutRegardToCaseKeepingDocumentOrder) {
    // Names equal but for case keep document order, whatever their kinds: in the document a public
    // group "beta", a public group "alpha" (type 1), a private group "Alpha", a private "ALPHA".
    const VirtualCP image =
        FromText(FreshWith(kEmptyContacts, test::Fixture(__FILE__, "contacts_to_sort.xml")));
    EXPECT_EQ(image.m_contacts[0].name, "alpha");
    EXPECT_EQ(image.m_contacts[1].name, "Alpha");
    EXPECT_EQ(image.m_contacts[2].name, "ALPHA");
    EXPECT_EQ(image.m_contacts[3].name, "beta");
    EXPECT_TRUE(image.m_contacts[4].IsType(ContactType::Empty));
    // cntct_type comes from the attribute, not from the element's name.
    EXPECT_EQ(image.m_contacts[0].cntct_type, 1);
    // A flag takes bit 0 of its value.
    EXPECT_FALSE(image.m_contacts[0].Flag(contact_flag::kInScrollList));
    EXPECT_TRUE(image.m_contacts[1].Flag(contact_flag::kInScrollList));
}

TEST(XML2VirtualCP, ConvertsNumbersLikeTheUnsignedDecimalConversion) {
    struct Row {
        const char* value;
        std::uint32_t backlight;  // a 32-bit field
        std::uint8_t contrast;    // an 8-bit field: the low 8 bits
    };
    const Row rows[] = {
        {"", 0, 0},
        {"300", 300, 44},
        {"  +7", 7, 7},
        {"12abc", 12, 12},
        {"-1", 4294967295u, 255},
        {"-256", 4294967040u, 0},
        {"4294967295", 4294967295u, 255},
        {"4294967296", 4294967295u, 255},
        {"99999999999999999999", 4294967295u, 255},
        {"-99999999999", 4294967295u, 255},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        std::string text =
            FreshWith("backlight=\"0\"", std::string("backlight=\"") + row.value + "\"");
        text.replace(text.find("contrast=\"0\""), 12,
                     std::string("contrast=\"") + row.value + "\"");
        const VirtualCP image = FromText(text);
        EXPECT_EQ(image.m_settings.backlight, row.backlight);
        EXPECT_EQ(image.m_settings.contrast, row.contrast);
    }
}

TEST(XML2VirtualCP, CommentEndsAWalkButWhiteSpaceDoesNot) {
    const auto make = [](const char* name) {
        return PrivateElement(name,
                              "\n <ParentPrivateGroup pid='9'/>\r\n<!-- stop -->"
                              "<ParentPrivateGroup pid='8'/>");
    };
    const std::string text =
        FreshWith(kEmptyContacts, "<Contacts><PublicGroups/><PrivateGroups/><Privates>\r\n\t" +
                                      make("1") + "\r\n\t" + make("2") + "<!-- end -->" +
                                      make("3") + "</Privates></Contacts>");
    const VirtualCP image = FromText(text);
    EXPECT_EQ(image.m_contacts[0].name, "1");
    EXPECT_EQ(image.m_contacts[1].name, "2");
    EXPECT_TRUE(image.m_contacts[2].IsType(ContactType::Empty));
    EXPECT_EQ(image.m_contacts[0].parent_groups[0], "9");
    EXPECT_EQ(image.m_contacts[0].parent_groups[1], "");
}

// The message id and context of what XML2VirtualCP throws for text; -1 when it throws nothing.
std::pair<int, std::string> FailureOf(const std::string& text) {
    VirtualCP image;
    try {
        CDataAdaptor::XML2VirtualCP(text, image);
    } catch (const CVEXPRGException& e) {
        return {e.MessageId(), e.Context()};
    }
    return {-1, {}};
}

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(XML2VirtualCP, RefusesWhatTheImageCannotHold) {
    const std::string group =
        "<PublicGroup cntct_type='2' name='g' pid='1' channel='1' "
        "in_scan_list='0' in_scroll_list='0'/>";
    const auto contacts = [&](int n) {
        return FreshWith(kEmptyContacts, "<Contacts><PublicGroups>" + Repeat(group, n) +
                                             "</PublicGroups></Contacts>");
    };
    const auto texts = [](int n) {
        return FreshWith("<TextMessages>", "<TextMessages>" + Repeat("<TextMessage txt='t'/>", n));
    };
    const auto languages = [](int n) {
        return FreshWith("<languages>", "<languages>" + Repeat("<language language_id='1'/>", n));
    };
    const auto parents = [](int n) {
        return FreshWith(kEmptyContacts,
                         "<Contacts><Privates>" +
                             PrivateElement("p", Repeat("<ParentPrivateGroup pid='1'/>", n)) +
                             "</Privates></Contacts>");
    };
    // The most each list holds, and one more.
    const std::pair<std::string, std::string> rows[] = {
        {contacts(150), contacts(151)},
        {texts(25), texts(26)},
        {languages(6), languages(7)},
        {parents(5), parents(6)},
    };
    for (const auto& [fits, tooMany] : rows) {
        VirtualCP image;
        EXPECT_EQ(CDataAdaptor::XML2VirtualCP(fits, image), 1);
        const auto [id, context] = FailureOf(tooMany);
        EXPECT_EQ(id, 105);
        EXPECT_THAT(context, HasSubstr("(CDataAdaptor::XML2VirtualCP:"));
        EXPECT_THAT(context, HasSubstr("Exception Catched"));
    }
}

TEST(XML2VirtualCP, ReportsBrokenDocumentsWithTheirReason) {
    struct Row {
        const char* what;
        std::string text;
        std::vector<const char*> context;
    };
    const Row rows[] = {
        // Raised inside the conversion: the conversion's own line comes last.
        {"missing attribute", FreshWith("\r\n\tmodel=\"\"", ""), {"'limit'", "'model'"}},
        {"missing element", FreshWith("<setting", "<settings"), {"ErrorMsg: ", "//dfns:setting"}},
        {"wrong namespace", FreshWith(ProfileNamespaceUri, "urn:other"), {}},
        {"not well-formed", kFreshImageText.substr(0, 500), {"Desc: Line "}},
        {"empty text", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto [id, context] = FailureOf(row.text);
        EXPECT_EQ(id, 106);
        for (const char* piece : row.context) EXPECT_THAT(context, HasSubstr(piece));
    }
    EXPECT_THAT(FailureOf(rows[0].text).second, ::testing::EndsWith("Exception Catched"));
}

TEST(XML2VirtualCP, RefusesAnyDocumentTypeDeclaration) {
    // An internal entity repeated many times would grow to gigabytes if it were ever expanded.
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE VEXProfile [<!ENTITY a \"" +
                       std::string(10000, 'x') + "\">]>";
    std::string body = kFreshImageText.substr(kFreshImageText.find("<VEXProfile"));
    body.replace(body.find("model=\"\""), 8, "model=\"" + Repeat("&a;", 50000) + "\"");
    const auto [id, context] = FailureOf(bomb + body);
    EXPECT_EQ(id, 105);

    // An external entity is refused as well, and never read.
    const auto external = FailureOf(
        "<?xml version=\"1.0\"?><!DOCTYPE VEXProfile [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" +
        FreshWith("model=\"\"", "model=\"&e;\"").substr(kFreshImageText.find("<VEXProfile")));
    EXPECT_EQ(external.first, 105);
}

TEST(XML2VirtualCP, TakesTheProfileTextAsUtf8WhateverTheDeclarationSays) {
    std::string text = FreshWith("encoding=\"utf-8\"", "encoding=\"ISO-8859-1\"");
    text = text.substr(0, text.find("<TextMessages>")) +
           "<TextMessages><TextMessage txt=\"Gr\xC3\xBC\xC3\x9F "
           "\xE2\x82\xAC\xE2\x82\xB9\"/></TextMessages>"
           "</VEXProfile>";
    const VirtualCP image = FromText(text);
    // Narrowed to the radio's single-byte characters (the euro sign has one); what it cannot show
    // becomes '?'.
    EXPECT_EQ(image.m_texts[0], "Gr\xFC\xDF \x80?");
}

}  // namespace
}  // namespace vex
