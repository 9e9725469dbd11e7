#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vex {

// Capacities of the image. Nothing is ever stored past them.
inline constexpr std::size_t kContactSlots = 150;
inline constexpr std::size_t kTextSlots = 25;
inline constexpr std::size_t kParentGroupSlots = 5;
inline constexpr std::size_t kLanguageSlots = 6;

// Contact kinds as the cntct_type byte holds them.
enum class ContactType : std::uint8_t {
    Private = 0,
    PrivateGroup = 1,
    PublicGroup = 2,
    Empty = 255,
};

// The radio's firmware and codeplug version. The bytes are signed 8-bit characters: where they are
// widened into profile text they are sign-extended.
struct VersionInfo {
    std::uint8_t firmware_phase = 'R';
    std::uint8_t firmware_release = 94;  // '^'
    std::uint8_t firmware_version = 5;
    std::uint8_t firmware_revision = 0;
    std::uint8_t codeplug_structure = 3;
    std::uint8_t codeplug_version = 16;
    std::uint8_t codeplug_dev_version = 5;

    bool operator==(const VersionInfo&) const = default;
};

// The range of private IDs the radio accepts.
struct PidRange {
    std::string valid_PID_start = "1";
    std::string valid_PID_end = "17179867883";

    bool operator==(const PidRange&) const = default;
};

// The pool of public group PIDs: it counts down from starting_public_grp_pid.
struct PublicGroupBase {
    std::string starting_public_grp_pid = "17179869183";
    std::uint8_t public_grp_list_size = 100;

    bool operator==(const PublicGroupBase&) const = default;
};

// Feature bits of RadioLimits (bit 0 = least significant). Bits 0-7 and 15 have no name: they hold
// what a radio gives, and a profile does not carry them.
namespace feature {
inline constexpr unsigned kSmsFreeFormMesgsEn = 8;
inline constexpr unsigned kSmsComposeMesgsEn = 9;
inline constexpr unsigned kPrvtCallRecDis = 10;
inline constexpr unsigned kPublicScanEn = 11;
inline constexpr unsigned kVibracallDis = 12;
inline constexpr unsigned kSeeAllGroupsEn = 13;
inline constexpr unsigned kMngrModeEn = 14;
inline constexpr unsigned kTxTotEn = 16;
inline constexpr unsigned kAddPrvtGrpEn = 17;
inline constexpr unsigned kAddPrvtContactsEn = 18;
inline constexpr unsigned kCallForwardEn = 19;
inline constexpr unsigned kPrvtCallTxEn = 20;
inline constexpr unsigned kPrvtCallRetEn = 21;
inline constexpr unsigned kSmsMesgsTxEn = 22;
inline constexpr unsigned kSmsMesgsRxEn = 23;
inline constexpr unsigned kOtaTimeUpdateEn = 24;
inline constexpr unsigned kRemoteMonitorEn = 25;
inline constexpr unsigned kRemoteDisableEn = 26;
inline constexpr unsigned kOtaCloneTxEn = 27;
inline constexpr unsigned kOtaTimeUpdateRxEn = 28;
inline constexpr unsigned kRemoteMonitorRxEn = 29;
inline constexpr unsigned kRemoteDisableRxEn = 30;
inline constexpr unsigned kOtaCloneRxEn = 31;
}  // namespace feature

// What the radio allows. Read from a radio, never written to one.
struct RadioLimits {
    std::string pid;  // the radio's own private ID
    PidRange pid_range;
    PublicGroupBase public_group_base;
    std::string model;  // model code, 4 characters on the radio
    std::uint8_t clone_compatibility_version = 0;
    std::uint8_t max_num_of_contacts = 0;  // all three kinds together
    std::uint8_t max_num_of_private_grps = 0;
    std::uint8_t max_num_of_public_grps = 0;
    std::uint8_t max_num_of_predefined_msgs = 0;
    std::uint32_t feature_bits = 0;
    std::uint32_t static_ergo_flag2 = 0;  // passed through unchanged
    // Number of valid entries in the language list. The field may hold more than the list's six
    // entries (a profile can say so); readers never look past the list.
    std::uint8_t num_of_languages = 0;
    std::array<std::uint8_t, kLanguageSlots> languages{};
    std::uint8_t max_num_of_channels = 0;
    std::uint8_t max_vol_level = 0;

    bool Feature(unsigned bit) const { return ((feature_bits >> bit) & 1u) != 0; }

    bool operator==(const RadioLimits&) const = default;
};

// Setting bits of RadioSettings. Bits 0-23 have no name: they hold what a radio gives, and a
// profile does not carry them.
namespace setting {
inline constexpr unsigned kIsDisabled = 24;
inline constexpr unsigned kCallFwdEn = 25;
inline constexpr unsigned kMngrMode = 26;
inline constexpr unsigned kAlarmEn = 27;
inline constexpr unsigned kScanEn = 28;
inline constexpr unsigned kSeeAllGrps = 29;
inline constexpr unsigned kDateFormat = 30;
inline constexpr unsigned kTimeFormat = 31;
}  // namespace setting

// The user settings, read from and written to the radio.
struct RadioSettings {
    std::uint8_t contrast = 0;
    std::uint32_t backlight = 0;  // milliseconds
    std::uint8_t vibracall = 0;
    std::uint32_t current_time = 0;
    std::uint32_t alarm_time = 0;
    std::uint8_t ringer_vol_level = 0;
    std::uint8_t speaker_vol_level = 1;
    std::uint8_t keypad_vol_level = 0;
    std::uint8_t alarm_vol_level = 1;
    std::uint8_t earpiece_vol_level = 1;
    std::uint8_t language = 0;
    std::uint32_t setting_bits = 0;
    std::string call_forward_id;

    bool Setting(unsigned bit) const { return ((setting_bits >> bit) & 1u) != 0; }

    bool operator==(const RadioSettings&) const = default;
};

// Bits of ContactRecord::flags.
namespace contact_flag {
inline constexpr unsigned kIdInUse = 0;
inline constexpr unsigned kInScrollList = 1;
inline constexpr unsigned kShowGrpOnly = 2;
inline constexpr unsigned kInScanList = 3;
}  // namespace contact_flag

// Bits of ContactRecord::own_flags (the own-record byte; bits 0-5 are 0).
namespace own_flag {
inline constexpr unsigned kSeeAllGroups = 6;
inline constexpr unsigned kMngrMode = 7;
}  // namespace own_flag

// One slot of the contact table, shared by all three contact kinds. A slot is in use when both its
// name and its pid are non-empty.
struct ContactRecord {
    std::string name;
    std::uint8_t alert_tone = 0;
    std::string pid;
    std::uint8_t flags = 0;      // see contact_flag
    std::uint8_t own_flags = 0;  // see own_flag; not part of the radio form
    std::uint8_t channel = 0;
    std::uint8_t cntct_type = static_cast<std::uint8_t>(ContactType::Empty);
    // The PrivateGroup contacts a Private belongs to.
    std::array<std::string, kParentGroupSlots> parent_groups;
    // The group a Private returns to (a PrivateGroup or a PublicGroup).
    std::string home_grp;
    // Scratch bytes of the radio form: the number of group PIDs a radio sent, and the 1-based
    // position of the home group among them (0: none). Filled when a form is read; a form that is
    // written computes its own.
    std::uint8_t group_count = 0;
    std::uint8_t home_index = 0;

    bool Flag(unsigned bit) const { return ((flags >> bit) & 1u) != 0; }
    bool OwnFlag(unsigned bit) const { return ((own_flags >> bit) & 1u) != 0; }
    bool IsType(ContactType t) const { return cntct_type == static_cast<std::uint8_t>(t); }

    bool operator==(const ContactRecord&) const = default;
};

// Totals filled by VirtualCP::CountContacts.
struct ContactCounters {
    std::uint32_t contacts = 0;        // slots in use, all kinds
    std::uint32_t public_groups = 0;   // slots in use of type PublicGroup
    std::uint32_t private_groups = 0;  // slots in use of type PrivateGroup
    std::uint32_t texts = 0;           // non-empty text messages

    bool operator==(const ContactCounters&) const = default;
};

// The codeplug image: the program's in-memory picture of one radio's codeplug. Strings hold
// single-byte characters (Windows-1252, common/text.h), as the radio carries them. Copying copies everything.
class VirtualCP {
public:
    VersionInfo m_version;
    RadioLimits m_limits;
    RadioSettings m_settings;
    std::array<ContactRecord, kContactSlots> m_contacts;
    std::array<std::string, kTextSlots> m_texts;
    ContactCounters m_counters;

    bool operator==(const VirtualCP&) const = default;

    // True when slot's name and pid are both non-empty; false for a slot past the table.
    bool IsContactInUse(std::size_t slot) const;

    // Index of the first slot in use whose pid equals `pid` exactly (case-sensitive text comparison)
    // and, unless type is -1, whose cntct_type equals type; -1 when none.
    int FindContact(std::string_view pid, int type) const;

    bool HasNoPrivateWithPid(std::string_view pid) const;

    // Fills m_counters from the slots in use and the non-empty texts.
    void CountContacts();

    // max_num_of_contacts for type 0, max_num_of_private_grps for 1, max_num_of_public_grps for 2,
    // 0 otherwise.
    std::uint32_t GetMaxContacts(int type) const;

    // True when v is 0 or equals clone_compatibility_version.
    bool IsCloneCompatible(std::uint8_t v) const;

    // True when this image (a profile about to be written; CountContacts has run) needs more than
    // the radio's limits allow: a feature the radio lacks, or more contacts, groups or texts.
    bool ExceedsRadioLimits(const RadioLimits& radio) const;

    // Before a write: sets the settings' mngr_mode and see_all_grps from the own Private record
    // (the Private whose pid is `pid`, or m_limits.pid when pid is null).
    void ApplyOwnFlagsToSettings(const std::string* pid = nullptr);

    // After a read: sets the own Private record's see_all_groups and mngr_mode from the settings.
    void ApplySettingsToOwnRecord(const std::string* pid = nullptr);

    // After a read: empties parent references that name no PrivateGroup in use, empties a home
    // group that names no group in use, and puts a PrivateGroup home into the first free parent slot.
    void NormaliseGroupLinks();
};

}  // namespace vex
