#include "codeplug/virtual_cp.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "codeplug/radio_forms.h"

namespace vex {
namespace {

constexpr std::uint32_t Bit(unsigned n) {
    return std::uint32_t{1} << n;
}

ContactRecord& Put(VirtualCP& cp, std::size_t slot, ContactType type, const char* name,
                   const char* pid) {
    ContactRecord& contact = cp.m_contacts[slot];
    contact.cntct_type = static_cast<std::uint8_t>(type);
    contact.name = name;
    contact.pid = pid;
    return contact;
}

void SetParents(ContactRecord& contact, std::initializer_list<const char*> parents,
                const char* home) {
    std::size_t i = 0;
    for (const char* parent : parents) contact.parent_groups[i++] = parent;
    contact.home_grp = home;
}

TEST(VirtualCP, FindContactMatchesInUseSlotsByExactText) {
    VirtualCP cp;
    Put(cp, 0, ContactType::Private, "", "42");        // no name: not in use
    Put(cp, 1, ContactType::Private, "Nameless", "");  // no pid: not in use
    Put(cp, 3, ContactType::PublicGroup, "Fire", "42");
    Put(cp, 5, ContactType::Private, "Ann", "42");
    Put(cp, 6, ContactType::Private, "Bob", "42");
    Put(cp, 7, ContactType::PrivateGroup, "Crew", "a7");
    struct Row {
        const char* pid;
        int type;
        int slot;
    };
    const Row rows[] = {
        {"42", -1, 3},   {"42", 0, 5},   {"42", 2, 3}, {"42", 1, -1}, {"042", -1, -1},
        {"42 ", -1, -1}, {"A7", -1, -1}, {"a7", 1, 7}, {"", -1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.pid) + " type " + std::to_string(row.type));
        EXPECT_EQ(cp.FindContact(row.pid, row.type), row.slot);
    }
    EXPECT_FALSE(cp.HasNoPrivateWithPid("42"));
    EXPECT_TRUE(cp.HasNoPrivateWithPid("a7"));
    EXPECT_TRUE(cp.IsContactInUse(5));
    EXPECT_FALSE(cp.IsContactInUse(kContactSlots));
}

TEST(VirtualCP, CountContactsCountsSlotsInUseAndTexts) {
    VirtualCP cp;
    cp.m_counters = {99, 99, 99, 99};
    Put(cp, 0, ContactType::PublicGroup, "P1", "1");
    Put(cp, 10, ContactType::PublicGroup, "P2", "2");
    Put(cp, 20, ContactType::PrivateGroup, "G1", "3");
    Put(cp, 30, ContactType::Private, "A", "4");
    Put(cp, 149, ContactType::Private, "B", "5");
    Put(cp, 40, ContactType::PrivateGroup, "", "6");  // not in use
    cp.m_texts[0] = "one";
    cp.m_texts[24] = "two";
    cp.CountContacts();
    EXPECT_EQ(cp.m_counters, (ContactCounters{5, 2, 1, 2}));
}

TEST(VirtualCP, MaxContactsAndCloneCompatibility) {
    VirtualCP cp;
    cp.m_limits.max_num_of_contacts = 150;
    cp.m_limits.max_num_of_private_grps = 20;
    cp.m_limits.max_num_of_public_grps = 50;
    cp.m_limits.clone_compatibility_version = 10;
    const std::uint32_t by_type[] = {0, 150, 20, 50, 0};  // types -1 to 3
    for (int type = -1; type <= 3; ++type) EXPECT_EQ(cp.GetMaxContacts(type), by_type[type + 1]);
    EXPECT_TRUE(cp.IsCloneCompatible(0));  // expecting no particular version accepts any
    EXPECT_TRUE(cp.IsCloneCompatible(10));
    EXPECT_FALSE(cp.IsCloneCompatible(11));
}

TEST(VirtualCP, ExceedsRadioLimitsClauseByClause) {
    // The radio offers exactly what the baseline image needs: 10 texts, 5 public groups, 3
    // private groups and 12 privates in 20 contacts.
    RadioLimits radio;
    radio.max_num_of_contacts = 20;
    radio.max_num_of_private_grps = 3;
    radio.max_num_of_public_grps = 5;
    radio.max_num_of_predefined_msgs = 10;
    VirtualCP base;
    base.m_counters = {20, 5, 3, 10};
    ASSERT_FALSE(base.ExceedsRadioLimits(radio));

    for (unsigned bit : {feature::kAddPrvtContactsEn, feature::kAddPrvtGrpEn,
                         feature::kCallForwardEn, feature::kPublicScanEn, feature::kSeeAllGroupsEn,
                         feature::kSmsMesgsTxEn, feature::kSmsComposeMesgsEn}) {
        SCOPED_TRACE("feature bit " + std::to_string(bit));
        VirtualCP cp = base;
        cp.m_limits.feature_bits = Bit(bit);
        EXPECT_TRUE(cp.ExceedsRadioLimits(radio));
        RadioLimits capable = radio;
        capable.feature_bits = Bit(bit);
        EXPECT_FALSE(cp.ExceedsRadioLimits(capable));
        EXPECT_FALSE(base.ExceedsRadioLimits(capable));
    }

    // A bit the check does not look at.
    VirtualCP mngr = base;
    mngr.m_limits.feature_bits = Bit(feature::kMngrModeEn);
    EXPECT_FALSE(mngr.ExceedsRadioLimits(radio));

    // vibracall_dis works the other way round.
    RadioLimits no_vibra = radio;
    no_vibra.feature_bits = Bit(feature::kVibracallDis);
    EXPECT_TRUE(base.ExceedsRadioLimits(no_vibra));
    VirtualCP quiet = base;
    quiet.m_limits.feature_bits = Bit(feature::kVibracallDis);
    EXPECT_FALSE(quiet.ExceedsRadioLimits(no_vibra));
    EXPECT_FALSE(quiet.ExceedsRadioLimits(radio));

    struct Row {
        const char* what;
        ContactCounters counters;
        bool exceeds;
    };
    const Row rows[] = {
        {"one text too many", {20, 5, 3, 11}, true},
        {"one private too many", {21, 5, 3, 10}, true},
        {"one private group too many", {21, 5, 4, 10}, true},
        {"one public group too many", {21, 6, 3, 10}, true},
        {"fewer groups leave room for privates", {20, 2, 1, 0}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        VirtualCP cp = base;
        cp.m_counters = row.counters;
        EXPECT_EQ(cp.ExceedsRadioLimits(radio), row.exceeds);
    }

    // Group allowances larger than the total leave negative room for privates: no private fits.
    RadioLimits generous = radio;
    generous.max_num_of_private_grps = 20;
    generous.max_num_of_public_grps = 20;
    VirtualCP groups_only = base;
    groups_only.m_counters = {30, 15, 15, 0};
    EXPECT_TRUE(groups_only.ExceedsRadioLimits(generous));
}

struct OwnCase {
    const char* what;
    std::uint32_t features;
    std::uint8_t own_flags;
    std::uint32_t setting_bits;
};

const std::uint32_t kBothFeatures = Bit(feature::kMngrModeEn) | Bit(feature::kSeeAllGroupsEn);
const std::uint32_t kBothSettings = Bit(setting::kMngrMode) | Bit(setting::kSeeAllGrps);

TEST(VirtualCP, OwnFlagsGoIntoTheSettingsBeforeAWrite) {
    const OwnCase rows[] = {
        {"both", kBothFeatures, 0xC0, kBothSettings},
        {"manager only", kBothFeatures, 0x80, Bit(setting::kMngrMode)},
        {"see all only", kBothFeatures, 0x40, Bit(setting::kSeeAllGrps)},
        {"radio lacks manager mode", Bit(feature::kSeeAllGroupsEn), 0xC0,
         Bit(setting::kSeeAllGrps)},
        {"radio lacks see all", Bit(feature::kMngrModeEn), 0xC0, Bit(setting::kMngrMode)},
        {"record clear", kBothFeatures, 0x00, 0},
    };
    for (const OwnCase& row : rows) {
        SCOPED_TRACE(row.what);
        VirtualCP cp;
        cp.m_limits.pid = "700";
        cp.m_limits.feature_bits = row.features;
        cp.m_settings.setting_bits = kBothSettings | Bit(setting::kScanEn) | 0x5;
        Put(cp, 2, ContactType::PrivateGroup, "Same pid", "700").own_flags = 0xC0;
        Put(cp, 9, ContactType::Private, "Me", "700").own_flags = row.own_flags;
        cp.ApplyOwnFlagsToSettings();
        EXPECT_EQ(cp.m_settings.setting_bits, row.setting_bits | Bit(setting::kScanEn) | 0x5);
    }

    // The own record named by the caller, and no own record at all.
    VirtualCP cp;
    cp.m_limits.pid = "700";
    cp.m_limits.feature_bits = kBothFeatures;
    cp.m_settings.setting_bits = kBothSettings;
    Put(cp, 9, ContactType::Private, "Me", "700").own_flags = 0xC0;
    Put(cp, 10, ContactType::Private, "Other", "800").own_flags = 0x80;
    const std::string other = "800";
    cp.ApplyOwnFlagsToSettings(&other);
    EXPECT_EQ(cp.m_settings.setting_bits, Bit(setting::kMngrMode));
    const std::string nobody = "900";
    cp.ApplyOwnFlagsToSettings(&nobody);
    EXPECT_EQ(cp.m_settings.setting_bits, 0u);
}

TEST(VirtualCP, SettingsGoIntoTheOwnRecordAfterARead) {
    const OwnCase rows[] = {
        {"both", kBothFeatures, 0xC0, kBothSettings},
        {"manager only", kBothFeatures, 0x80, Bit(setting::kMngrMode)},
        {"see all only", kBothFeatures, 0x40, Bit(setting::kSeeAllGrps)},
        {"radio lacks manager mode", Bit(feature::kSeeAllGroupsEn), 0x40, kBothSettings},
        {"radio lacks see all", Bit(feature::kMngrModeEn), 0x80, kBothSettings},
        {"settings clear", kBothFeatures, 0x00, 0},
    };
    for (const OwnCase& row : rows) {
        SCOPED_TRACE(row.what);
        VirtualCP cp;
        cp.m_limits.pid = "700";
        cp.m_limits.feature_bits = row.features;
        cp.m_settings.setting_bits = row.setting_bits;
        ContactRecord& group = Put(cp, 2, ContactType::PrivateGroup, "Same pid", "700");
        ContactRecord& own = Put(cp, 9, ContactType::Private, "Me", "700");
        own.own_flags = 0xC0;
        cp.ApplySettingsToOwnRecord();
        EXPECT_EQ(own.own_flags, row.own_flags);
        EXPECT_EQ(group.own_flags, 0);
    }

    VirtualCP cp;
    cp.m_limits.feature_bits = kBothFeatures;
    cp.m_settings.setting_bits = kBothSettings;
    ContactRecord& me = Put(cp, 9, ContactType::Private, "Me", "700");
    const VirtualCP before = cp;
    cp.ApplySettingsToOwnRecord();  // the image's own pid is empty: no own record
    EXPECT_EQ(cp, before);
    const std::string pid = "700";
    cp.ApplySettingsToOwnRecord(&pid);
    EXPECT_EQ(me.own_flags, 0xC0);
}

// Groups: PrivateGroups "G1", "G2", "G3"; PublicGroup "P1"; a PrivateGroup slot not in use "G9".
VirtualCP GroupImage() {
    VirtualCP cp;
    cp.m_limits.max_num_of_contacts = 150;
    Put(cp, 0, ContactType::PrivateGroup, "g1", "G1");
    Put(cp, 1, ContactType::PrivateGroup, "g2", "G2");
    Put(cp, 2, ContactType::PrivateGroup, "g3", "G3");
    Put(cp, 3, ContactType::PublicGroup, "p1", "P1");
    Put(cp, 4, ContactType::PrivateGroup, "", "G9");
    return cp;
}

TEST(VirtualCP, NormaliseGroupLinksRepairsReferences) {
    using Parents = std::array<std::string, kParentGroupSlots>;
    struct Row {
        const char* what;
        Parents parents;
        const char* home;
        Parents parents_after;
        const char* home_after;
    };
    const Row rows[] = {
        {"sound links stay", {"G1", "G2"}, "P1", {"G1", "G2"}, "P1"},
        {"home group joins the first free parent", {"G1"}, "G2", {"G1", "G2"}, "G2"},
        {"parents naming no private group are emptied",
         {"P1", "G1", "XX", "G9", "G2"},
         "G3",
         {"G3", "G1", "", "", "G2"},
         "G3"},
        {"unknown home is emptied", {"G1"}, "G9", {"G1"}, ""},
        {"no free parent",
         {"G1", "G2", "G1", "G2", "G1"},
         "G3",
         {"G1", "G2", "G1", "G2", "G1"},
         "G3"},
        {"home already a parent is not repeated", {"G2"}, "G2", {"G2"}, "G2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        VirtualCP cp = GroupImage();
        ContactRecord& ann = Put(cp, 10, ContactType::Private, "Ann", "1001");
        ann.parent_groups = row.parents;
        ann.home_grp = row.home;
        cp.NormaliseGroupLinks();
        EXPECT_EQ(ann.parent_groups, row.parents_after);
        EXPECT_EQ(ann.home_grp, row.home_after);
    }
}

TEST(VirtualCP, NormaliseGroupLinksStaysWithinTheRadiosContacts) {
    VirtualCP cp = GroupImage();
    cp.m_limits.max_num_of_contacts = 11;
    SetParents(Put(cp, 10, ContactType::Private, "In", "1"), {"XX"}, "G1");
    SetParents(Put(cp, 11, ContactType::Private, "Out", "2"), {"XX"}, "G1");
    cp.NormaliseGroupLinks();
    EXPECT_EQ(cp.m_contacts[10].parent_groups[0], "G1");
    EXPECT_EQ(cp.m_contacts[11].parent_groups[0], "XX");

    VirtualCP none = GroupImage();
    none.m_limits.max_num_of_contacts = 0;
    SetParents(Put(none, 10, ContactType::Private, "In", "1"), {"XX"}, "G1");
    const VirtualCP before = none;
    none.NormaliseGroupLinks();
    EXPECT_EQ(none, before);

    // A radio may claim more contacts than the table has slots.
    VirtualCP all = GroupImage();
    all.m_limits.max_num_of_contacts = 255;
    SetParents(Put(all, 149, ContactType::Private, "Last", "3"), {}, "G3");
    all.NormaliseGroupLinks();
    EXPECT_EQ(all.m_contacts[149].parent_groups[0], "G3");
}

TEST(VirtualCP, PrivateReadFromTheRadioGetsItsHomeBackAmongItsParents) {
    const std::uint8_t form[] = {'A', 0, 0, '1', 0, 0, 0, 0, 2, 2, 'G', '1', 0, 'G', '2', 0};
    VirtualCP cp = GroupImage();
    ASSERT_TRUE(DecodeContactRecord(form, cp.m_contacts[20]));
    EXPECT_EQ(cp.m_contacts[20].parent_groups[0], "G1");
    EXPECT_EQ(cp.m_contacts[20].parent_groups[1], "");
    cp.NormaliseGroupLinks();
    EXPECT_EQ(cp.m_contacts[20].parent_groups[1], "G2");
    EXPECT_EQ(cp.m_contacts[20].home_grp, "G2");
}

}  // namespace
}  // namespace vex
