#include "codeplug/data_adaptor.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "common/exception.h"
#include "common/namespaces.h"
#include "support/contacts.h"
#include "support/image_printers.h"

namespace vex {
namespace {

using ::testing::HasSubstr;

// The complete text of a freshly constructed image, written out by hand from the file format.
const std::string kFreshImageText =
    "<?xml version=\"1.0\" encoding=\"utf-8\" ?>"
    "<VEXProfile xmlns=\"urn:kestrion:vex480-prg:profile\">"
    "\r\n\t<version\r\n\t"
    "firmware_phase=\"R\"\r\n\t"
    "firmware_release=\"94\"\r\n\t"
    "firmware_version=\"5\"\r\n\t"
    "firmware_revision=\"0\"\r\n\t"
    "codeplug_version=\"16\"\r\n\t"
    "codeplug_structure=\"3\"\r\n\t"
    "codeplug_dev_version=\"5\"\r\n\t"
    "/>"
    "\r\n\t<limit"
    "\r\n\tpid=\"\""
    "\r\n\tvalid_PID_start=\"1\""
    "\r\n\tvalid_PID_end=\"17179867883\""
    "\r\n\tstarting_public_grp_pid=\"17179869183\""
    "\r\n\tpublic_grp_list_size=\"100\""
    "\r\n\tmodel=\"\""
    "\r\n\tclone_compatibility_version=\"0\""
    "\r\n\tmax_num_of_contacts=\"0\""
    "\r\n\tmax_num_of_private_grps=\"0\""
    "\r\n\tmax_num_of_public_grps=\"0\""
    "\r\n\tmax_num_of_predefined_msgs=\"0\""
    "\r\n\tmax_num_of_channels=\"0\""
    "\r\n\tmax_vol_level=\"0\""
    "\r\n\tnum_of_languages=\"0\""
    "\r\n\tmngr_mode_en=\"0\""
    "\r\n\tsee_all_groups_en=\"0\""
    "\r\n\tvibracall_dis=\"0\""
    "\r\n\tpublic_scan_en=\"0\""
    "\r\n\tprvt_call_rec_dis =\"0\""
    "\r\n\tsms_compose_mesgs_en=\"0\""
    "\r\n\tsms_free_form_mesgs_en=\"0\""
    "\r\n\tsms_mesgs_rx_en=\"0\""
    "\r\n\tsms_mesgs_tx_en=\"0\""
    "\r\n\tprvt_call_ret_en=\"0\""
    "\r\n\tprvt_call_tx_en=\"0\""
    "\r\n\tcall_forward_en=\"0\""
    "\r\n\tadd_prvt_contacts_en=\"0\""
    "\r\n\tadd_prvt_grp_en=\"0\""
    "\r\n\ttx_tot_en=\"0\""
    "\r\n\tota_clone_rx_en=\"0\""
    "\r\n\tremote_disable_rx_en=\"0\""
    "\r\n\tremote_monitor_rx_en=\"0\""
    "\r\n\tota_time_update_rx_en=\"0\""
    "\r\n\tota_clone_tx_en=\"0\""
    "\r\n\tremote_disable_en=\"0\""
    "\r\n\tremote_monitor_en=\"0\""
    "\r\n\tota_time_update_en=\"0\""
    "\r\n\tstatic_ergo_flag2=\"0\""
    ">"
    "\r\n\t<languages>\r\n\t</languages>\r\n\t</limit>"
    "\r\n\t<setting"
    "\r\n\tcontrast=\"0\""
    "\r\n\tbacklight=\"0\""
    "\r\n\tvibracall=\"0\""
    "\r\n\tcurrent_time=\"0\""
    "\r\n\talarm_time=\"0\""
    "\r\n\tringer_vol_level=\"0\""
    "\r\n\tspeaker_vol_level=\"1\""
    "\r\n\tkeypad_vol_level=\"0\""
    "\r\n\talarm_vol_level=\"1\""
    "\r\n\tearpiece_vol_level=\"1\""
    "\r\n\tlanguage=\"0\""
    "\r\n\tcall_forward_id=\"\""
    "\r\n\ttime_format=\"0\""
    "\r\n\tdate_format=\"0\""
    "\r\n\tsee_all_grps=\"0\""
    "\r\n\tscan_en=\"0\""
    "\r\n\talarm_en=\"0\""
    "\r\n\tmngr_mode=\"0\""
    "\r\n\tcall_fwd_en=\"0\""
    "\r\n\tis_disabled=\"0\""
    "\r\n\t/>\n\r"
    "\n\r<Contacts> <PublicGroups></PublicGroups><PrivateGroups></PrivateGroups>"
    "<Privates></Privates></Contacts>"
    "\r\n<TextMessages>\r\n\t</TextMessages>"
    "</VEXProfile>";

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

TEST(VirtualCP2XML, FreshImageGivesTheCompleteDefaultDocument) {
    EXPECT_EQ(ToText(VirtualCP()), kFreshImageText);
}

TEST(VirtualCP2XML, PopulatedImageWritesEveryPieceWithItsSeparators) {
    VirtualCP image;
    image.m_limits.pid = "1001";
    image.m_limits.model = "VX48";
    image.m_limits.num_of_languages = 2;
    image.m_limits.languages = {3, 7, 9, 0, 0, 0};
    image.m_limits.feature_bits = 1u << feature::kPrvtCallRecDis;
    image.m_version.codeplug_dev_version = 200;  // a signed character: written sign-extended

    // Slot order: a Private, a PublicGroup, a PrivateGroup, another Private.
    ContactRecord p1 = MakeContact(ContactType::Private, "Zed", "1001", 1);
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

    const std::string text = ToText(image);
    EXPECT_THAT(text, HasSubstr("\r\n\tcodeplug_dev_version=\"4294967240\"\r\n\t/>"));
    EXPECT_THAT(text, HasSubstr("\r\n\tmodel=\"VX48\""));
    EXPECT_THAT(text, HasSubstr("\r\n\tprvt_call_rec_dis =\"1\""));
    EXPECT_THAT(text, HasSubstr("\r\n\tnum_of_languages=\"2\""));
    EXPECT_THAT(text, HasSubstr("\r\n\t<languages>"
                                "\r\n\t<language language_id=\"3\" />"
                                "\r\n\t<language language_id=\"7\" />"
                                "\r\n\t</languages>\r\n\t</limit>"));
    EXPECT_THAT(text, HasSubstr("\n\r<Contacts> <PublicGroups>"
                                "\r\n\t<PublicGroup"
                                "\r\n\tcntct_type=\"2\""
                                "\r\n\tname=\"A&amp;&quot;&lt;&gt;'\""
                                "\r\n\tpid=\"17179869183\""
                                "\r\n\tchannel=\"2\""
                                "\r\n\tin_scan_list=\"1\""
                                "\r\n\tin_scroll_list=\"0\""
                                "\r\n\t/>"
                                "</PublicGroups><PrivateGroups>"
                                "\r\n\t<PrivateGroup"
                                "\n\r\tcntct_type=\"1\""
                                "\r\n\tname=\"Crew\""
                                "\r\n\tpid=\"2001\""
                                "\r\n\tchannel=\"1\" "
                                "\r\n\tin_scroll_list=\"0\""
                                "\r\n\t/>"
                                "</PrivateGroups><Privates>"
                                "\r\n\t<Private"
                                "\r\n\tcntct_type=\"0\""
                                "\r\n\tname=\"Zed\""
                                "\r\n\tpid=\"1001\""
                                "\r\n\tchannel=\"1\""
                                "\r\n\tin_scroll_list=\"1\""
                                "\r\n\talert_tone=\"3\""
                                "\r\n\thome_grp=\"2002\""
                                "\r\n\tshow_grp_only=\"1\""
                                "\r\n\tid_in_use=\"1\""
                                "\r\n\tsee_all_groups=\"1\""
                                "\r\n\tmngr_mode=\"1\">\r\n\t"
                                "<ParentPrivateGroups>"
                                "<ParentPrivateGroup pid =\"2001\" />"
                                "<ParentPrivateGroup pid =\"2002\" />"
                                "</ParentPrivateGroups></Private>"
                                "\r\n\t<Private"
                                "\r\n\tcntct_type=\"0\""
                                "\r\n\tname=\"\""
                                "\r\n\tpid=\"1002\""
                                "\r\n\tchannel=\"1\""
                                "\r\n\tin_scroll_list=\"0\""
                                "\r\n\talert_tone=\"0\""
                                "\r\n\thome_grp=\"\""
                                "\r\n\tshow_grp_only=\"0\""
                                "\r\n\tid_in_use=\"0\""
                                "\r\n\tsee_all_groups=\"0\""
                                "\r\n\tmngr_mode=\"0\">\r\n\t"
                                "<ParentPrivateGroups></ParentPrivateGroups></Private>"
                                "</Privates></Contacts>"
                                "\r\n<TextMessages>"
                                "\r\n\t<TextMessage txt=\"Hello\" />"
                                "\r\n\t<TextMessage txt=\"Bye &lt;now&gt;\" />"
                                "\r\n\t</TextMessages></VEXProfile>"));
}

TEST(VirtualCP2XML, NeverReadsPastTheLanguageList) {
    VirtualCP image;
    image.m_limits.num_of_languages = 200;
    image.m_limits.languages = {1, 2, 3, 4, 5, 6};
    const std::string text = ToText(image);
    EXPECT_THAT(text, HasSubstr("num_of_languages=\"200\""));
    EXPECT_THAT(text, HasSubstr("<language language_id=\"6\" />\r\n\t</languages>"));
}

TEST(VirtualCP2XML, TextIsUtf8AndPhaseIsAlwaysWellFormed) {
    VirtualCP image;
    image.m_contacts[0] = MakeContact(ContactType::Private, "Zo\xEB", "5", 1);  // ISO 8859-1
    image.m_version.firmware_phase = '&';
    const std::string text = ToText(image);
    EXPECT_THAT(text, HasSubstr("name=\"Zo\xC3\xAB\""));
    EXPECT_THAT(text, HasSubstr("firmware_phase=\"&amp;\""));
    EXPECT_EQ(FromText(text).m_version.firmware_phase, '&');

    image.m_version.firmware_phase = 0;
    EXPECT_THAT(ToText(image), HasSubstr("firmware_phase=\"\""));
}

// A populated image with a value in every field a profile carries, and something in every field it
// does not carry.
VirtualCP FullImage() {
    VirtualCP image;
    image.m_version = {'D', 0x5E, 4, 7, 2, 15, 250};
    RadioLimits& l = image.m_limits;
    l.pid = "1001";
    l.pid_range = {"9", "3"};  // a profile's range is taken as it is
    l.public_group_base = {"17179869183", 64};
    l.model = "VX48";
    l.clone_compatibility_version = 10;
    l.max_num_of_contacts = 150;
    l.max_num_of_private_grps = 20;
    l.max_num_of_public_grps = 64;
    l.max_num_of_predefined_msgs = 25;
    l.feature_bits = 0xFFFFFFFFu;
    l.static_ergo_flag2 = 0xDEADBEEF;
    l.num_of_languages = 6;
    l.languages = {1, 2, 3, 4, 5, 255};
    l.max_num_of_channels = 16;
    l.max_vol_level = 7;
    RadioSettings& s = image.m_settings;
    s = {6, 30000, 1, 0x01020304, 4000000000u, 1, 2, 3, 4, 5, 2, 0xFFFFFFFFu, "1002"};
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
    EXPECT_EQ(back.m_version, expected.m_version);
    EXPECT_EQ(back.m_limits, expected.m_limits);
    EXPECT_EQ(back.m_settings, expected.m_settings);
    for (std::size_t i = 0; i < kContactSlots; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(back.m_contacts[i], expected.m_contacts[i]);
    }
    EXPECT_EQ(back.m_texts, expected.m_texts);
    EXPECT_EQ(back, expected);

    // And the text is a fixed point.
    EXPECT_EQ(ToText(back), ToText(expected));
}

TEST(XML2VirtualCP, EmptyListsLeaveEverySlotEmpty) {
    const VirtualCP image = FromText(kFreshImageText);
    EXPECT_EQ(image, VirtualCP());
}

TEST(XML2VirtualCP, SortsContactsByNameWithoutRegardToCaseKeepingDocumentOrder) {
    // Names equal but for case keep document order, whatever their kinds.
    const std::string text = FreshWith(
        kEmptyContacts,
        "<Contacts><PublicGroups>"
        "<PublicGroup cntct_type='2' name='beta' pid='17179869183' channel='1' in_scan_list='0' "
        "in_scroll_list='0'/>"
        "<PublicGroup cntct_type='1' name='alpha' pid='5' channel='1' in_scan_list='0' "
        "in_scroll_list='2'/>"
        "</PublicGroups><PrivateGroups>"
        "<PrivateGroup cntct_type='1' name='Alpha' pid='6' channel='1' in_scroll_list='3'/>"
        "</PrivateGroups><Privates>"
        "<Private cntct_type='0' name='ALPHA' pid='7' channel='1' in_scroll_list='0' "
        "alert_tone='0' home_grp='' show_grp_only='0' id_in_use='0' see_all_groups='0' "
        "mngr_mode='0'><ParentPrivateGroups/></Private>"
        "</Privates></Contacts>");
    const VirtualCP image = FromText(text);
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
        {"abc", 0, 0},
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
    const std::string privateElement =
        "<Private cntct_type='0' name='%' pid='%' channel='1' in_scroll_list='0' alert_tone='0' "
        "home_grp='' show_grp_only='0' id_in_use='0' see_all_groups='0' mngr_mode='0'>"
        "\r\n\t<ParentPrivateGroups>\n <ParentPrivateGroup pid='9'/>\r\n<!-- stop -->"
        "<ParentPrivateGroup pid='8'/></ParentPrivateGroups></Private>";
    auto make = [&](const char* name) {
        std::string e = privateElement;
        e.replace(e.find('%'), 1, name);
        e.replace(e.find('%'), 1, name);
        return e;
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

TEST(XML2VirtualCP, RefusesWhatTheImageCannotHold) {
    auto repeat = [](const std::string& piece, int times) {
        std::string out;
        for (int i = 0; i < times; ++i) out += piece;
        return out;
    };
    const std::string group =
        "<PublicGroup cntct_type='2' name='g' pid='1' channel='1' in_scan_list='0' "
        "in_scroll_list='0'/>";
    const std::string privateOf = [] {
        return std::string(
            "<Private cntct_type='0' name='p' pid='1' channel='1' in_scroll_list='0' "
            "alert_tone='0' home_grp='' show_grp_only='0' id_in_use='0' see_all_groups='0' "
            "mngr_mode='0'><ParentPrivateGroups>");
    }();
    struct Row {
        const char* what;
        std::string text;
        bool fits;
    };
    const Row rows[] = {
        {"150 contacts",
         FreshWith(kEmptyContacts,
                   "<Contacts><PublicGroups>" + repeat(group, 150) + "</PublicGroups></Contacts>"),
         true},
        {"151 contacts",
         FreshWith(kEmptyContacts,
                   "<Contacts><PublicGroups>" + repeat(group, 151) + "</PublicGroups></Contacts>"),
         false},
        {"25 texts",
         FreshWith("<TextMessages>", "<TextMessages>" + repeat("<TextMessage txt='t'/>", 25)),
         true},
        {"26 texts",
         FreshWith("<TextMessages>", "<TextMessages>" + repeat("<TextMessage txt='t'/>", 26)),
         false},
        {"6 languages",
         FreshWith("<languages>", "<languages>" + repeat("<language language_id='1'/>", 6)), true},
        {"7 languages",
         FreshWith("<languages>", "<languages>" + repeat("<language language_id='1'/>", 7)), false},
        {"5 parent groups",
         FreshWith(kEmptyContacts, "<Contacts><Privates>" + privateOf +
                                       repeat("<ParentPrivateGroup pid='1'/>", 5) +
                                       "</ParentPrivateGroups></Private></Privates></Contacts>"),
         true},
        {"6 parent groups",
         FreshWith(kEmptyContacts, "<Contacts><Privates>" + privateOf +
                                       repeat("<ParentPrivateGroup pid='1'/>", 6) +
                                       "</ParentPrivateGroups></Private></Privates></Contacts>"),
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        VirtualCP image;
        if (row.fits) {
            EXPECT_EQ(CDataAdaptor::XML2VirtualCP(row.text, image), 1);
            continue;
        }
        try {
            CDataAdaptor::XML2VirtualCP(row.text, image);
            ADD_FAILURE() << "accepted";
        } catch (const CVEXPRGException& e) {
            EXPECT_EQ(e.MessageId(), 105);
            EXPECT_THAT(e.Context(), HasSubstr("(CDataAdaptor::XML2VirtualCP:"));
            EXPECT_THAT(e.Context(), HasSubstr("Exception Catched"));
        }
    }
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

TEST(XML2VirtualCP, ReportsBrokenDocumentsWithTheirReason) {
    {
        SCOPED_TRACE("missing attribute");
        const auto [id, context] = FailureOf(FreshWith("\r\n\tmodel=\"\"", ""));
        EXPECT_EQ(id, 106);
        EXPECT_THAT(context, HasSubstr("'limit'"));
        EXPECT_THAT(context, HasSubstr("'model'"));
        // Raised inside the conversion: the conversion's own line follows.
        EXPECT_THAT(context, ::testing::EndsWith("Exception Catched"));
    }
    {
        SCOPED_TRACE("missing element");
        const auto [id, context] = FailureOf(FreshWith("<setting", "<settings"));
        EXPECT_EQ(id, 106);
        EXPECT_THAT(context, HasSubstr("ErrorMsg: "));
        EXPECT_THAT(context, HasSubstr("//dfns:setting"));
    }
    {
        SCOPED_TRACE("wrong namespace");
        const auto [id, context] = FailureOf(FreshWith(ProfileNamespaceUri, "urn:other"));
        EXPECT_EQ(id, 106);
    }
    {
        SCOPED_TRACE("not well-formed");
        const auto [id, context] = FailureOf(kFreshImageText.substr(0, 500));
        EXPECT_EQ(id, 106);
        EXPECT_THAT(context, HasSubstr("Desc: Line "));
    }
    {
        SCOPED_TRACE("empty text");
        EXPECT_EQ(FailureOf("").first, 106);
    }
}

TEST(XML2VirtualCP, RefusesAnyDocumentTypeDeclaration) {
    // An internal entity repeated many times would grow to gigabytes if it were ever expanded.
    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE VEXProfile [<!ENTITY a \"" +
                       std::string(10000, 'x') + "\">]>";
    std::string body = kFreshImageText.substr(kFreshImageText.find("<VEXProfile"));
    body.replace(
        body.find("model=\"\""), 8, "model=\"" + [] {
            std::string refs;
            for (int i = 0; i < 50000; ++i) refs += "&a;";
            return refs;
        }() + "\"");
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
           "<TextMessages><TextMessage txt=\"Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC\xE2\x82\xB9\"/></TextMessages>"
           "</VEXProfile>";
    const VirtualCP image = FromText(text);
    // Narrowed to the radio's single-byte characters (the euro sign has one); what it cannot show
    // becomes '?'.
    EXPECT_EQ(image.m_texts[0], "Gr\xFC\xDF \x80?");
}

}  // namespace
}  // namespace vex
