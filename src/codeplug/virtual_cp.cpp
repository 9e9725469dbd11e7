#include "codeplug/virtual_cp.h"

#include <algorithm>
#include <cstdint>

namespace vex {

namespace {

constexpr int kPrivate = static_cast<int>(ContactType::Private);
constexpr int kPrivateGroup = static_cast<int>(ContactType::PrivateGroup);
constexpr int kPublicGroup = static_cast<int>(ContactType::PublicGroup);

constexpr std::uint32_t Bit32(unsigned bit) {
    return std::uint32_t{1} << bit;
}
constexpr std::uint8_t Bit8(unsigned bit) {
    return static_cast<std::uint8_t>(1u << bit);
}

}  // namespace

bool VirtualCP::IsContactInUse(std::size_t slot) const {
    if (slot >= m_contacts.size()) return false;
    const ContactRecord& contact = m_contacts[slot];
    return !contact.name.empty() && !contact.pid.empty();
}

int VirtualCP::FindContact(std::string_view pid, int type) const {
    for (std::size_t i = 0; i < m_contacts.size(); ++i) {
        if (!IsContactInUse(i)) continue;
        const ContactRecord& contact = m_contacts[i];
        if (contact.pid != pid) continue;
        if (type != -1 && static_cast<int>(contact.cntct_type) != type) continue;
        return static_cast<int>(i);
    }
    return -1;
}

bool VirtualCP::HasNoPrivateWithPid(std::string_view pid) const {
    return FindContact(pid, kPrivate) < 0;
}

void VirtualCP::CountContacts() {
    ContactCounters counters;
    for (std::size_t i = 0; i < m_contacts.size(); ++i) {
        if (!IsContactInUse(i)) continue;
        ++counters.contacts;
        if (m_contacts[i].IsType(ContactType::PublicGroup)) ++counters.public_groups;
        if (m_contacts[i].IsType(ContactType::PrivateGroup)) ++counters.private_groups;
    }
    for (const std::string& text : m_texts) {
        if (!text.empty()) ++counters.texts;
    }
    m_counters = counters;
}

std::uint32_t VirtualCP::GetMaxContacts(int type) const {
    switch (type) {
        case kPrivate:
            return m_limits.max_num_of_contacts;
        case kPrivateGroup:
            return m_limits.max_num_of_private_grps;
        case kPublicGroup:
            return m_limits.max_num_of_public_grps;
        default:
            return 0;
    }
}

bool VirtualCP::IsCloneCompatible(std::uint8_t v) const {
    return v == 0 || v == m_limits.clone_compatibility_version;
}

bool VirtualCP::ExceedsRadioLimits(const RadioLimits& radio) const {
    // Features the profile switches on that the radio cannot offer.
    for (unsigned bit : {feature::kAddPrvtContactsEn, feature::kAddPrvtGrpEn,
                         feature::kCallForwardEn, feature::kPublicScanEn, feature::kSeeAllGroupsEn,
                         feature::kSmsMesgsTxEn, feature::kSmsComposeMesgsEn}) {
        if (m_limits.Feature(bit) && !radio.Feature(bit)) return true;
    }
    // vibracall_dis is a negative feature: a profile that vibrates needs a radio that can.
    if (!m_limits.Feature(feature::kVibracallDis) && radio.Feature(feature::kVibracallDis)) {
        return true;
    }

    // Signed arithmetic throughout: a radio whose group allowances add up to more than its total
    // leaves a negative room for privates, and that must count as exceeded rather than wrap.
    const std::int64_t total = m_counters.contacts;
    const std::int64_t publics = m_counters.public_groups;
    const std::int64_t groups = m_counters.private_groups;
    const std::int64_t texts = m_counters.texts;
    const std::int64_t max_contacts = radio.max_num_of_contacts;
    const std::int64_t max_groups = radio.max_num_of_private_grps;
    const std::int64_t max_publics = radio.max_num_of_public_grps;

    if (texts > radio.max_num_of_predefined_msgs) return true;
    const std::int64_t private_room =
        max_contacts - std::min(groups, max_groups) - std::min(publics, max_publics);
    if (total - publics - groups > private_room) return true;
    if (groups > max_groups) return true;
    if (publics > max_publics) return true;
    return false;
}

void VirtualCP::ApplyOwnFlagsToSettings(const std::string* pid) {
    const std::string_view own = pid != nullptr ? std::string_view(*pid) : m_limits.pid;
    const int index = FindContact(own, kPrivate);
    const ContactRecord* record =
        index >= 0 ? &m_contacts[static_cast<std::size_t>(index)] : nullptr;

    std::uint32_t bits = m_settings.setting_bits;
    bits &= ~(Bit32(setting::kMngrMode) | Bit32(setting::kSeeAllGrps));
    if (record != nullptr && m_limits.Feature(feature::kMngrModeEn) &&
        record->OwnFlag(own_flag::kMngrMode)) {
        bits |= Bit32(setting::kMngrMode);
    }
    if (record != nullptr && m_limits.Feature(feature::kSeeAllGroupsEn) &&
        record->OwnFlag(own_flag::kSeeAllGroups)) {
        bits |= Bit32(setting::kSeeAllGrps);
    }
    m_settings.setting_bits = bits;
}

void VirtualCP::ApplySettingsToOwnRecord(const std::string* pid) {
    const std::string_view own = pid != nullptr ? std::string_view(*pid) : m_limits.pid;
    const int index = FindContact(own, kPrivate);
    if (index < 0) return;
    ContactRecord& record = m_contacts[static_cast<std::size_t>(index)];

    std::uint8_t flags = record.own_flags;
    flags = static_cast<std::uint8_t>(flags &
                                      ~(Bit8(own_flag::kSeeAllGroups) | Bit8(own_flag::kMngrMode)));
    if (m_settings.Setting(setting::kMngrMode) && m_limits.Feature(feature::kMngrModeEn)) {
        flags = static_cast<std::uint8_t>(flags | Bit8(own_flag::kMngrMode));
    }
    if (m_settings.Setting(setting::kSeeAllGrps) && m_limits.Feature(feature::kSeeAllGroupsEn)) {
        flags = static_cast<std::uint8_t>(flags | Bit8(own_flag::kSeeAllGroups));
    }
    record.own_flags = flags;
}

void VirtualCP::NormaliseGroupLinks() {
    // A radio fills at most max_num_of_contacts slots from the first; the table ends at 150 even
    // when a radio claims more.
    const std::size_t used = std::min<std::size_t>(m_limits.max_num_of_contacts, m_contacts.size());
    for (std::size_t i = 0; i < used; ++i) {
        ContactRecord& contact = m_contacts[i];
        if (!contact.IsType(ContactType::Private)) continue;

        int free_parent = -1;
        for (std::size_t p = 0; p < contact.parent_groups.size(); ++p) {
            std::string& parent = contact.parent_groups[p];
            if (!parent.empty() && FindContact(parent, kPrivateGroup) < 0) parent.clear();
            if (parent.empty() && free_parent < 0) free_parent = static_cast<int>(p);
        }

        if (contact.home_grp.empty()) continue;
        const bool home_is_private_group = FindContact(contact.home_grp, kPrivateGroup) >= 0;
        if (!home_is_private_group && FindContact(contact.home_grp, kPublicGroup) < 0) {
            contact.home_grp.clear();
            continue;
        }

        // A radio lists the home group once, apart from the parents; a home that is already a
        // parent (a radio that repeated it, or a second pass) must not be listed twice.
        const bool already_parent =
            std::find(contact.parent_groups.begin(), contact.parent_groups.end(),
                      contact.home_grp) != contact.parent_groups.end();
        if (home_is_private_group && free_parent >= 0 && !already_parent) {
            contact.parent_groups[static_cast<std::size_t>(free_parent)] = contact.home_grp;
        }
    }
}

}  // namespace vex
