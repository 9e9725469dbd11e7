#include "codeplug/data_adaptor.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/exception.h"
#include "common/namespaces.h"
#include "common/strings.h"
#include "common/text.h"
#include "common/xml.h"
#include "model/profile_text.h"

namespace vex {

namespace {

// Flags of the limit element, in document order, with their feature bits.
struct NamedBit {
    const char* name;
    unsigned bit;
};

constexpr NamedBit kFeatureFlags[] = {
    {"mngr_mode_en", feature::kMngrModeEn},
    {"see_all_groups_en", feature::kSeeAllGroupsEn},
    {"vibracall_dis", feature::kVibracallDis},
    {"public_scan_en", feature::kPublicScanEn},
    {"prvt_call_rec_dis", feature::kPrvtCallRecDis},
    {"sms_compose_mesgs_en", feature::kSmsComposeMesgsEn},
    {"sms_free_form_mesgs_en", feature::kSmsFreeFormMesgsEn},
    {"sms_mesgs_rx_en", feature::kSmsMesgsRxEn},
    {"sms_mesgs_tx_en", feature::kSmsMesgsTxEn},
    {"prvt_call_ret_en", feature::kPrvtCallRetEn},
    {"prvt_call_tx_en", feature::kPrvtCallTxEn},
    {"call_forward_en", feature::kCallForwardEn},
    {"add_prvt_contacts_en", feature::kAddPrvtContactsEn},
    {"add_prvt_grp_en", feature::kAddPrvtGrpEn},
    {"tx_tot_en", feature::kTxTotEn},
    {"ota_clone_rx_en", feature::kOtaCloneRxEn},
    {"remote_disable_rx_en", feature::kRemoteDisableRxEn},
    {"remote_monitor_rx_en", feature::kRemoteMonitorRxEn},
    {"ota_time_update_rx_en", feature::kOtaTimeUpdateRxEn},
    {"ota_clone_tx_en", feature::kOtaCloneTxEn},
    {"remote_disable_en", feature::kRemoteDisableEn},
    {"remote_monitor_en", feature::kRemoteMonitorEn},
    {"ota_time_update_en", feature::kOtaTimeUpdateEn},
};

// Flags of the setting element, in document order, with their setting bits.
constexpr NamedBit kSettingFlags[] = {
    {"time_format", setting::kTimeFormat},  {"date_format", setting::kDateFormat},
    {"see_all_grps", setting::kSeeAllGrps}, {"scan_en", setting::kScanEn},
    {"alarm_en", setting::kAlarmEn},        {"mngr_mode", setting::kMngrMode},
    {"call_fwd_en", setting::kCallFwdEn},   {"is_disabled", setting::kIsDisabled},
};

template <typename T>
void SetBit(T& word, unsigned bit, bool on) {
    const T mask = static_cast<T>(T{1} << bit);
    word = on ? static_cast<T>(word | mask) : static_cast<T>(word & ~mask);
}

template <typename T>
bool GetBit(T word, unsigned bit) {
    return ((word >> bit) & 1u) != 0;
}

// ---------------------------------------------------------------------------------------------
// Image to text

// Builds the document text piece by piece. Every separator is part of the format: readers of the
// files we write may rely on them.
class ProfileWriter {
  public:
    explicit ProfileWriter(std::string& out) : m_out(out) {}

    // sep + name="value"
    void Attr(const char* sep, const char* name, std::string_view value) {
        m_out += sep;
        m_out += name;
        m_out += "=\"";
        m_out += value;
        m_out += '"';
    }
    void Number(const char* sep, const char* name, std::uint32_t value) {
        Attr(sep, name, std::to_string(value));
    }
    void Flag(const char* sep, const char* name, bool value) { Attr(sep, name, value ? "1" : "0"); }
    void Text(const char* sep, const char* name, std::string_view latin1) {
        Attr(sep, name, EscapeXmlText(RadioToUtf8(latin1)));
    }
    void Raw(std::string_view text) { m_out += text; }

  private:
    std::string& m_out;
};

constexpr const char* kNl = "\r\n\t";  // CR LF TAB, the usual separator

void WriteVersion(ProfileWriter& w, const VersionInfo& v) {
    // Version bytes are signed characters: widened with their sign, written as unsigned 32-bit.
    const auto widen = [](std::uint8_t b) {
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(b)));
    };
    w.Raw("\r\n\t<version\r\n\t");
    // The phase is one character. A 0 phase (what an empty value reads as) is written empty rather
    // than as a NUL, which no XML text may hold.
    const std::string phase =
        v.firmware_phase == 0 ? std::string() : std::string(1, static_cast<char>(v.firmware_phase));
    w.Text("", "firmware_phase", phase);
    w.Raw(kNl);
    const std::pair<const char*, std::uint8_t> numbers[] = {
        {"firmware_release", v.firmware_release},
        {"firmware_version", v.firmware_version},
        {"firmware_revision", v.firmware_revision},
        {"codeplug_version", v.codeplug_version},
        {"codeplug_structure", v.codeplug_structure},
        {"codeplug_dev_version", v.codeplug_dev_version},
    };
    for (const auto& [name, value] : numbers) {
        w.Number("", name, widen(value));
        w.Raw(kNl);
    }
    w.Raw("/>");
}

void WriteLimits(ProfileWriter& w, const RadioLimits& l) {
    w.Raw("\r\n\t<limit");
    w.Text(kNl, "pid", l.pid);
    w.Text(kNl, "valid_PID_start", l.pid_range.valid_PID_start);
    w.Text(kNl, "valid_PID_end", l.pid_range.valid_PID_end);
    w.Text(kNl, "starting_public_grp_pid", l.public_group_base.starting_public_grp_pid);
    w.Number(kNl, "public_grp_list_size", l.public_group_base.public_grp_list_size);
    w.Text(kNl, "model", l.model);
    w.Number(kNl, "clone_compatibility_version", l.clone_compatibility_version);
    w.Number(kNl, "max_num_of_contacts", l.max_num_of_contacts);
    w.Number(kNl, "max_num_of_private_grps", l.max_num_of_private_grps);
    w.Number(kNl, "max_num_of_public_grps", l.max_num_of_public_grps);
    w.Number(kNl, "max_num_of_predefined_msgs", l.max_num_of_predefined_msgs);
    w.Number(kNl, "max_num_of_channels", l.max_num_of_channels);
    w.Number(kNl, "max_vol_level", l.max_vol_level);
    w.Number(kNl, "num_of_languages", l.num_of_languages);
    for (const NamedBit& flag : kFeatureFlags) {
        // This one attribute has always been written with a blank before its equals sign.
        if (std::string_view(flag.name) == "prvt_call_rec_dis") {
            w.Flag(kNl, "prvt_call_rec_dis ", GetBit(l.feature_bits, flag.bit));
        } else {
            w.Flag(kNl, flag.name, GetBit(l.feature_bits, flag.bit));
        }
    }
    w.Number(kNl, "static_ergo_flag2", l.static_ergo_flag2);
    w.Raw(">\r\n\t<languages>");
    // The count may say more than the list holds; never read past the list.
    const std::size_t count = std::min<std::size_t>(l.num_of_languages, kLanguageSlots);
    for (std::size_t i = 0; i < count; ++i) {
        w.Raw("\r\n\t<language");
        w.Number(" ", "language_id", l.languages[i]);
        w.Raw(" />");
    }
    w.Raw("\r\n\t</languages>\r\n\t</limit>");
}

void WriteSettings(ProfileWriter& w, const RadioSettings& s) {
    w.Raw("\r\n\t<setting");
    w.Number(kNl, "contrast", s.contrast);
    w.Number(kNl, "backlight", s.backlight);
    w.Number(kNl, "vibracall", s.vibracall);
    w.Number(kNl, "current_time", s.current_time);
    w.Number(kNl, "alarm_time", s.alarm_time);
    w.Number(kNl, "ringer_vol_level", s.ringer_vol_level);
    w.Number(kNl, "speaker_vol_level", s.speaker_vol_level);
    w.Number(kNl, "keypad_vol_level", s.keypad_vol_level);
    w.Number(kNl, "alarm_vol_level", s.alarm_vol_level);
    w.Number(kNl, "earpiece_vol_level", s.earpiece_vol_level);
    w.Number(kNl, "language", s.language);
    w.Text(kNl, "call_forward_id", s.call_forward_id);
    for (const NamedBit& flag : kSettingFlags) {
        w.Flag(kNl, flag.name, GetBit(s.setting_bits, flag.bit));
    }
    w.Raw("\r\n\t/>\n\r");
}

void WritePublicGroup(ProfileWriter& w, const ContactRecord& c) {
    w.Raw("\r\n\t<PublicGroup");
    w.Number(kNl, "cntct_type", c.cntct_type);
    w.Text(kNl, "name", c.name);
    w.Text(kNl, "pid", c.pid);
    w.Number(kNl, "channel", c.channel);
    w.Flag(kNl, "in_scan_list", c.Flag(contact_flag::kInScanList));
    w.Flag(kNl, "in_scroll_list", c.Flag(contact_flag::kInScrollList));
    w.Raw("\r\n\t/>");
}

void WritePrivateGroup(ProfileWriter& w, const ContactRecord& c) {
    w.Raw("\r\n\t<PrivateGroup");
    w.Number("\n\r\t", "cntct_type", c.cntct_type);
    w.Text(kNl, "name", c.name);
    w.Text(kNl, "pid", c.pid);
    w.Number(kNl, "channel", c.channel);
    w.Flag(" \r\n\t", "in_scroll_list", c.Flag(contact_flag::kInScrollList));
    w.Raw("\r\n\t/>");
}

void WritePrivate(ProfileWriter& w, const ContactRecord& c) {
    w.Raw("\r\n\t<Private");
    w.Number(kNl, "cntct_type", c.cntct_type);
    w.Text(kNl, "name", c.name);
    w.Text(kNl, "pid", c.pid);
    w.Number(kNl, "channel", c.channel);
    w.Flag(kNl, "in_scroll_list", c.Flag(contact_flag::kInScrollList));
    w.Number(kNl, "alert_tone", c.alert_tone);
    w.Text(kNl, "home_grp", c.home_grp);
    w.Flag(kNl, "show_grp_only", c.Flag(contact_flag::kShowGrpOnly));
    w.Flag(kNl, "id_in_use", c.Flag(contact_flag::kIdInUse));
    w.Flag(kNl, "see_all_groups", c.OwnFlag(own_flag::kSeeAllGroups));
    w.Flag(kNl, "mngr_mode", c.OwnFlag(own_flag::kMngrMode));
    w.Raw(">\r\n\t<ParentPrivateGroups>");
    for (const std::string& parent : c.parent_groups) {
        if (parent.empty()) continue;
        w.Text("<ParentPrivateGroup ", "pid ", parent);
        w.Raw(" />");
    }
    w.Raw("</ParentPrivateGroups></Private>");
}

// ---------------------------------------------------------------------------------------------
// Text to image

constexpr const char* kReadFunction = "CDataAdaptor::XML2VirtualCP";

[[noreturn]] void Fail(int id, int line, const std::string& detail) {
    throw CVEXPRGException(id, kReadFunction, line, detail);
}

// The numeric conversion of every number and flag: leading white space and one sign accepted, a
// minus negates modulo 2^32, the conversion stops at the first non-digit, no digits gives 0, and a
// value past 32 bits gives 4294967295.
std::uint32_t ToUnsigned(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                               text[i] == '\r' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

class ProfileReader {
  public:
    ProfileReader(xmlDoc* doc, ImageText form)
        : m_context(xml::MakeXPathContext(doc, ProfilePrefix, ProfileNamespaceUri)), m_form(form) {}

    // The first element the expression selects; null when none.
    xmlNode* First(const char* expression, xmlNode* relativeTo = nullptr) {
        return xml::SelectFirst(m_context.get(), expression, relativeTo);
    }

    xmlNode* Required(const char* expression, int line) {
        xmlNode* node = First(expression);
        if (node == nullptr) {
            Fail(ids::kUnknownError, line,
                 std::string("ErrorMsg: Element not found\nDesc: The profile has no element "
                             "matching ") +
                     expression + "\nSource: libxml2");
        }
        return node;
    }

    std::string Raw(xmlNode* element, const char* name) {
        std::string value;
        if (!xml::GetAttribute(element, name, value)) {
            Fail(ids::kUnknownError, __LINE__,
                 std::string("Missing attribute: element '") + xml::Chars(element->name) +
                     "' has no attribute '" + name + "'");
        }
        return value;
    }
    std::string Text(xmlNode* e, const char* name) {
        return m_form == ImageText::Radio ? Utf8ToRadio(Raw(e, name)) : Raw(e, name);
    }
    std::uint32_t U32(xmlNode* e, const char* name) { return ToUnsigned(Raw(e, name)); }
    std::uint8_t U8(xmlNode* e, const char* name) {
        return static_cast<std::uint8_t>(U32(e, name) & 0xFFu);
    }
    bool Flag(xmlNode* e, const char* name) { return (U32(e, name) & 1u) != 0; }

  private:
    xml::XPathContextPtr m_context;
    ImageText m_form;
};

// Calls read(element) for the element and each following sibling, until a sibling that is not an
// element (a comment, a processing instruction, text) or the last one. Siblings' names are not
// compared: all are read as the same kind.
template <typename Read>
void Walk(xmlNode* first, Read read) {
    for (xmlNode* node = first; node != nullptr && node->type == XML_ELEMENT_NODE;
         node = node->next) {
        read(node);
    }
}

void ReadVersion(ProfileReader& r, VersionInfo& v) {
    xmlNode* e = r.Required("//dfns:version", __LINE__);
    const std::string phase = r.Text(e, "firmware_phase");
    v.firmware_phase = phase.empty() ? 0 : static_cast<std::uint8_t>(phase[0]);
    v.firmware_release = r.U8(e, "firmware_release");
    v.firmware_version = r.U8(e, "firmware_version");
    v.firmware_revision = r.U8(e, "firmware_revision");
    v.codeplug_structure = r.U8(e, "codeplug_structure");
    v.codeplug_version = r.U8(e, "codeplug_version");
    v.codeplug_dev_version = r.U8(e, "codeplug_dev_version");
}

void ReadLimits(ProfileReader& r, RadioLimits& l) {
    xmlNode* e = r.Required("//dfns:limit", __LINE__);
    // PID texts are stored as they are: no range test applies to a profile.
    l.pid = r.Text(e, "pid");
    l.pid_range.valid_PID_start = r.Text(e, "valid_PID_start");
    l.pid_range.valid_PID_end = r.Text(e, "valid_PID_end");
    l.public_group_base.starting_public_grp_pid = r.Text(e, "starting_public_grp_pid");
    l.public_group_base.public_grp_list_size = r.U8(e, "public_grp_list_size");
    l.model = r.Text(e, "model");
    l.clone_compatibility_version = r.U8(e, "clone_compatibility_version");
    l.max_num_of_contacts = r.U8(e, "max_num_of_contacts");
    l.max_num_of_private_grps = r.U8(e, "max_num_of_private_grps");
    l.max_num_of_public_grps = r.U8(e, "max_num_of_public_grps");
    l.max_num_of_predefined_msgs = r.U8(e, "max_num_of_predefined_msgs");
    l.max_num_of_channels = r.U8(e, "max_num_of_channels");
    l.max_vol_level = r.U8(e, "max_vol_level");
    l.num_of_languages = r.U8(e, "num_of_languages");
    for (const NamedBit& flag : kFeatureFlags) {
        SetBit(l.feature_bits, flag.bit, r.Flag(e, flag.name));
    }
    l.static_ergo_flag2 = r.U32(e, "static_ergo_flag2");

    // The language list; num_of_languages is not changed by it.
    std::size_t k = 0;
    Walk(r.First("//dfns:language"), [&](xmlNode* language) {
        if (k == kLanguageSlots) {
            Fail(ids::kInvalidProfile, __LINE__, "The profile lists more than 6 languages");
        }
        l.languages[k++] = r.U8(language, "language_id");
    });
}

void ReadSettings(ProfileReader& r, RadioSettings& s) {
    xmlNode* e = r.Required("//dfns:setting", __LINE__);
    s.contrast = r.U8(e, "contrast");
    s.backlight = r.U32(e, "backlight");
    s.vibracall = r.U8(e, "vibracall");
    s.current_time = r.U32(e, "current_time");
    s.alarm_time = r.U32(e, "alarm_time");
    s.ringer_vol_level = r.U8(e, "ringer_vol_level");
    s.speaker_vol_level = r.U8(e, "speaker_vol_level");
    s.keypad_vol_level = r.U8(e, "keypad_vol_level");
    s.alarm_vol_level = r.U8(e, "alarm_vol_level");
    s.earpiece_vol_level = r.U8(e, "earpiece_vol_level");
    s.language = r.U8(e, "language");
    s.call_forward_id = r.Text(e, "call_forward_id");
    for (const NamedBit& flag : kSettingFlags) {
        SetBit(s.setting_bits, flag.bit, r.Flag(e, flag.name));
    }
}

void ReadContacts(ProfileReader& r, VirtualCP& image) {
    std::size_t n = 0;  // runs on through the three walks
    const auto next = [&](int line) -> ContactRecord& {
        if (n == kContactSlots) {
            Fail(ids::kInvalidProfile, line, "The profile holds more than 150 contacts");
        }
        return image.m_contacts[n++];
    };
    // Fields common to every kind. cntct_type is stored as the document gives it.
    const auto common = [&](ContactRecord& c, xmlNode* e) {
        c.cntct_type = r.U8(e, "cntct_type");
        c.name = r.Text(e, "name");
        c.pid = r.Text(e, "pid");
        c.channel = r.U8(e, "channel");
    };

    Walk(r.First("//dfns:PublicGroup"), [&](xmlNode* e) {
        ContactRecord& c = next(__LINE__);
        common(c, e);
        SetBit(c.flags, contact_flag::kInScanList, r.Flag(e, "in_scan_list"));
        SetBit(c.flags, contact_flag::kInScrollList, r.Flag(e, "in_scroll_list"));
    });
    Walk(r.First("//dfns:PrivateGroup"), [&](xmlNode* e) {
        ContactRecord& c = next(__LINE__);
        common(c, e);
        SetBit(c.flags, contact_flag::kInScrollList, r.Flag(e, "in_scroll_list"));
    });
    Walk(r.First("//dfns:Private"), [&](xmlNode* e) {
        ContactRecord& c = next(__LINE__);
        common(c, e);
        SetBit(c.flags, contact_flag::kInScrollList, r.Flag(e, "in_scroll_list"));
        c.alert_tone = r.U8(e, "alert_tone");
        c.home_grp = r.Text(e, "home_grp");
        SetBit(c.flags, contact_flag::kShowGrpOnly, r.Flag(e, "show_grp_only"));
        SetBit(c.flags, contact_flag::kIdInUse, r.Flag(e, "id_in_use"));
        SetBit(c.own_flags, own_flag::kSeeAllGroups, r.Flag(e, "see_all_groups"));
        SetBit(c.own_flags, own_flag::kMngrMode, r.Flag(e, "mngr_mode"));
        std::size_t k = 0;
        Walk(r.First("./dfns:*/dfns:ParentPrivateGroup", e), [&](xmlNode* parent) {
            if (k == kParentGroupSlots) {
                Fail(ids::kInvalidProfile, __LINE__,
                     "A Private of the profile belongs to more than 5 private groups");
            }
            c.parent_groups[k++] = r.Text(parent, "pid");
        });
    });

    // By name without regard to case; equal names keep document order. A stable sort gives the
    // same order as the bubble sort this replaces, in n log n.
    std::stable_sort(image.m_contacts.begin(),
                     image.m_contacts.begin() + static_cast<std::ptrdiff_t>(n),
                     [](const ContactRecord& a, const ContactRecord& b) {
                         return CompareRadioNoCase(a.name, b.name) < 0;
                     });
}

void ReadTexts(ProfileReader& r, VirtualCP& image) {
    std::size_t k = 0;
    Walk(r.First("//dfns:TextMessage"), [&](xmlNode* e) {
        if (k == kTextSlots) {
            Fail(ids::kInvalidProfile, __LINE__, "The profile holds more than 25 text messages");
        }
        image.m_texts[k++] = r.Text(e, "txt");
    });
}

}  // namespace

int CDataAdaptor::VirtualCP2XML(const VirtualCP& image, std::string& text) {
    std::string out;
    out.reserve(64 * 1024);
    ProfileWriter w(out);
    w.Raw("<?xml version=\"1.0\" encoding=\"utf-8\" ?><VEXProfile xmlns=\"");
    w.Raw(ProfileNamespaceUri);
    w.Raw("\">");
    WriteVersion(w, image.m_version);
    WriteLimits(w, image.m_limits);
    WriteSettings(w, image.m_settings);

    // One pass over the slots builds the three lists, each in slot order. The in-use rule does not
    // apply here: a typed slot is written even with an empty name or pid.
    std::string publics;
    std::string privateGroups;
    std::string privates;
    ProfileWriter publicWriter(publics);
    ProfileWriter groupWriter(privateGroups);
    ProfileWriter privateWriter(privates);
    for (const ContactRecord& c : image.m_contacts) {
        if (c.IsType(ContactType::PublicGroup)) {
            WritePublicGroup(publicWriter, c);
        } else if (c.IsType(ContactType::PrivateGroup)) {
            WritePrivateGroup(groupWriter, c);
        } else if (c.IsType(ContactType::Private)) {
            WritePrivate(privateWriter, c);
        }
    }
    w.Raw("\n\r<Contacts> <PublicGroups>");
    w.Raw(publics);
    w.Raw("</PublicGroups><PrivateGroups>");
    w.Raw(privateGroups);
    w.Raw("</PrivateGroups><Privates>");
    w.Raw(privates);
    w.Raw("</Privates></Contacts>");

    w.Raw("\r\n<TextMessages>");
    for (const std::string& message : image.m_texts) {
        if (message.empty()) continue;
        w.Text("\r\n\t<TextMessage ", "txt", message);
        w.Raw(" />");
    }
    w.Raw("\r\n\t</TextMessages></VEXProfile>");
    text = std::move(out);
    return 1;
}

int CDataAdaptor::XML2VirtualCP(std::string_view text, VirtualCP& image, ImageText form) {
    try {
        if (text.size() > kMaxProfileTextSize) {
            Fail(ids::kInvalidProfile, __LINE__, ProfileTooLargeReason(text.size()));
        }
        xml::ParseResult parsed = xml::ParseUntrusted(text, kMaxProfileNodes);
        if (parsed.failure == xml::ParseFailure::HasDoctype ||
            parsed.failure == xml::ParseFailure::TooLarge) {
            Fail(ids::kInvalidProfile, __LINE__, parsed.reason);
        }
        if (!parsed.doc) {
            Fail(ids::kUnknownError, __LINE__,
                 "ErrorMsg: The profile text does not parse\nDesc: " + parsed.reason +
                     "\nSource: libxml2");
        }
        ProfileReader reader(parsed.doc.get(), form);
        ReadVersion(reader, image.m_version);
        ReadLimits(reader, image.m_limits);
        ReadSettings(reader, image.m_settings);
        ReadContacts(reader, image);
        ReadTexts(reader, image);
        return 1;
    } catch (CVEXPRGException& e) {
        e.AddContext(kReadFunction, __LINE__, "Exception Catched");
        throw;
    }
}

}  // namespace vex
