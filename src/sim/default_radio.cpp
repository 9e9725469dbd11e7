#include "sim/default_radio.h"

#include <algorithm>
#include <string>
#include <utility>

#include "common/text.h"

namespace vex::sim {

namespace {

std::uint32_t Bits(std::initializer_list<unsigned> bits) {
    std::uint32_t value = 0;
    for (const unsigned bit : bits) value |= 1u << bit;
    return value;
}

std::uint8_t FlagBits(std::initializer_list<unsigned> bits) {
    return static_cast<std::uint8_t>(Bits(bits));
}

ContactRecord Group(ContactType type, std::string name, std::string pid, std::uint8_t channel) {
    ContactRecord c;
    c.cntct_type = static_cast<std::uint8_t>(type);
    c.name = std::move(name);
    c.pid = std::move(pid);
    c.channel = channel;
    c.flags = FlagBits({contact_flag::kInScrollList});
    if (type == ContactType::PublicGroup) c.flags |= FlagBits({contact_flag::kInScanList});
    return c;
}

ContactRecord Person(std::string name, std::string pid, std::uint8_t channel, std::uint8_t tone,
                     std::initializer_list<const char*> parents, std::string home) {
    ContactRecord c;
    c.channel = channel;
    c.cntct_type = static_cast<std::uint8_t>(ContactType::Private);
    c.name = std::move(name);
    c.pid = std::move(pid);
    c.alert_tone = tone;
    c.flags = FlagBits({contact_flag::kIdInUse, contact_flag::kInScrollList});
    std::size_t k = 0;
    for (const char* parent : parents) c.parent_groups[k++] = parent;
    c.home_grp = std::move(home);
    return c;
}

}  // namespace

VirtualCP DefaultRadioImage() {
    VirtualCP image;  // the version block's defaults are a VEX480's: R, 0x5E, version 5

    RadioLimits& l = image.m_limits;
    l.pid = std::string(kDefaultOwnPid);
    l.model = "V480";
    l.clone_compatibility_version = 10;
    l.max_num_of_contacts = 150;
    l.max_num_of_private_grps = 20;
    l.max_num_of_public_grps = 100;
    l.max_num_of_predefined_msgs = 25;
    l.max_num_of_channels = 16;
    l.max_vol_level = 7;
    l.num_of_languages = 3;
    l.languages = {1, 2, 3, 0, 0, 0};
    // Every enabling feature. The two disabling bits stay clear: a radio that refused private
    // calls or vibration would be a lesser radio, and a profile asking for vibration would not fit.
    using namespace feature;
    l.feature_bits =
        Bits({kSmsFreeFormMesgsEn, kSmsComposeMesgsEn, kPublicScanEn,      kSeeAllGroupsEn,
              kMngrModeEn,         kTxTotEn,           kAddPrvtGrpEn,      kAddPrvtContactsEn,
              kCallForwardEn,      kPrvtCallTxEn,      kPrvtCallRetEn,     kSmsMesgsTxEn,
              kSmsMesgsRxEn,       kOtaTimeUpdateEn,   kRemoteMonitorEn,   kRemoteDisableEn,
              kOtaCloneTxEn,       kOtaTimeUpdateRxEn, kRemoteMonitorRxEn, kRemoteDisableRxEn,
              kOtaCloneRxEn});

    RadioSettings& s = image.m_settings;
    s.contrast = 4;
    s.backlight = 10000;
    s.vibracall = 1;
    s.ringer_vol_level = 5;
    s.speaker_vol_level = 5;
    s.keypad_vol_level = 3;
    s.alarm_vol_level = 4;
    s.earpiece_vol_level = 4;
    s.language = 1;
    s.setting_bits = Bits({setting::kScanEn, setting::kSeeAllGrps});

    const ContactRecord contacts[] = {
        // Every group on the channel of its members, every home group on its private's channel.
        Group(ContactType::PrivateGroup, "Dispatch", "5001", 1),
        Group(ContactType::PrivateGroup, "Maintenance", "5002", 1),
        Group(ContactType::PrivateGroup, "Security", "5003", 2),
        Group(ContactType::PublicGroup, "All Call", "17179869183", 1),
        Group(ContactType::PublicGroup, "Site Wide", "17179869182", 2),
        Person("Alice", "1002", 1, 1, {"5001"}, "5001"),
        Person("Bob", "1003", 1, 2, {"5001", "5002"}, "17179869183"),
        Person("Carol", "1004", 2, 3, {"5003"}, "5003"),
        Person("Dave", "1005", 2, 4, {}, ""),
        // A home group that is also a parent goes last, where a read puts it back.
        Person("This Radio", std::string(kDefaultOwnPid), 1, 1, {"5002", "5001"}, "5001"),
    };
    std::copy(std::begin(contacts), std::end(contacts), image.m_contacts.begin());
    std::stable_sort(image.m_contacts.begin(), image.m_contacts.begin() + std::size(contacts),
                     [](const ContactRecord& a, const ContactRecord& b) {
                         return CompareRadioNoCase(a.name, b.name) < 0;
                     });

    image.m_texts[0] = "Call me back";
    image.m_texts[1] = "Meeting at base";
    image.m_texts[2] = "On my way";
    return image;
}

}  // namespace vex::sim
