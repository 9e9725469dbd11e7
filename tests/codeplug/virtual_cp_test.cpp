#include "codeplug/virtual_cp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    const ContactCounters base = {20, 5, 3, 10};
    struct Row {
        std::string what;
        std::uint32_t wanted;   // the profile's feature bits
        std::uint32_t offered;  // the radio's
        ContactCounters counters;
        bool exceeds;
    };
    std::vector<Row> rows = {
        {"baseline", 0, 0, base, false},
        {"manager mode is not checked", Bit(feature::kMngrModeEn), 0, base, false},
        // vibracall_dis works the other way round.
        {"radio without vibracall", 0, Bit(feature::kVibracallDis), base, true},
        {"neither with vibracall", Bit(feature::kVibracallDis), Bit(feature::kVibracallDis), base,
         false},
        {"profile without vibracall", Bit(feature::kVibracallDis), 0, base, false},
        {"one text too many", 0, 0, {20, 5, 3, 11}, true},
        {"one private too many", 0, 0, {21, 5, 3, 10}, true},
        {"one private group too many", 0, 0, {21, 5, 4, 10}, true},
        {"one public group too many", 0, 0, {21, 6, 3, 10}, true},
        {"fewer groups leave room for privates", 0, 0, {20, 2, 1, 0}, false},
    };
    for (unsigned bit : {feature::kAddPrvtContactsEn, feature::kAddPrvtGrpEn,
                         feature::kCallForwardEn, feature::kPublicScanEn, feature::kSeeAllGroupsEn,
                         feature::kSmsMesgsTxEn, feature::kSmsComposeMesgsEn}) {
        const std::string name = "feature bit " + std::to_string(bit);
        rows.push_back({name + " wanted", Bit(bit), 0, base, true});
        rows.push_back({name + " wanted and offered", Bit(bit), Bit(bit), base, false});
        rows.push_back({name + " offered", 0, Bit(bit), base, false});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        VirtualCP cp;
        cp.m_limits.feature_bits = row.wanted;
        cp.m_counters = row.counters;
        RadioLimits offer = radio;
        offer.feature_bits = row.offered;
        EXPECT_EQ(cp.ExceedsRadioLimits(offer), row.exceeds);
    }

    // Group allowances larger than the total leave negative room for privates: no private fits.
    radio.max_num_of_private_grps = 20;
    radio.max_num_of_public_grps = 20;
    VirtualCP groupsOnly;
    groupsOnly.m_counters = {30, 15, 15, 0};
    EXPECT_TRUE(groupsOnly.ExceedsRadioLimits(radio));
}

const std::uint32_t kBothFeatures = Bit(feature::kMngrModeEn) | Bit(feature::kSeeAllGroupsEn);
const std::uint32_t kMngr = Bit(setting::kMngrMode);
const std::uint32_t kSeeAll = Bit(setting::kSeeAllGrps);

// Before a write the own record's flags go into the settings; after a read, the other way round.
// Either way only what the radio offers passes.
TEST(VirtualCP, OwnFlagsAndSettingsFollowEachOther) {
    struct Row {
        const char* what;
        std::uint32_t features;
        std::uint8_t ownSent;
        std::uint32_t settingsSent;
        std::uint32_t settingsRead;
        std::uint8_t ownRead;
    };
    const Row rows[] = {
        {"both", kBothFeatures, 0xC0, kMngr | kSeeAll, kMngr | kSeeAll, 0xC0},
        {"manager only", kBothFeatures, 0x80, kMngr, kMngr, 0x80},
        {"see all only", kBothFeatures, 0x40, kSeeAll, kSeeAll, 0x40},
        {"radio lacks manager mode", Bit(feature::kSeeAllGroupsEn), 0xC0, kSeeAll, kMngr | kSeeAll,
         0x40},
        {"radio lacks see all", Bit(feature::kMngrModeEn), 0xC0, kMngr, kMngr | kSeeAll, 0x80},
        {"clear", kBothFeatures, 0x00, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        VirtualCP cp;
        cp.m_limits.pid = "700";
        cp.m_limits.feature_bits = row.features;
        // A group of the same pid is no own record.
        ContactRecord& group = Put(cp, 2, ContactType::PrivateGroup, "Same pid", "700");
        ContactRecord& own = Put(cp, 9, ContactType::Private, "Me", "700");
        const std::uint32_t others = Bit(setting::kScanEn) | 0x5;
        cp.m_settings.setting_bits = kMngr | kSeeAll | others;
        group.own_flags = 0xC0;
        own.own_flags = row.ownSent;
        cp.ApplyOwnFlagsToSettings();
        EXPECT_EQ(cp.m_settings.setting_bits, row.settingsSent | others);

        cp.m_settings.setting_bits = row.settingsRead;
        group.own_flags = 0;
        own.own_flags = 0xC0;
        cp.ApplySettingsToOwnRecord();
        EXPECT_EQ(own.own_flags, row.ownRead);
        EXPECT_EQ(group.own_flags, 0);
    }
}

TEST(VirtualCP, OwnRecordNamedByTheCallerOrNone) {
    VirtualCP cp;
    cp.m_limits.pid = "700";
    cp.m_limits.feature_bits = kBothFeatures;
    cp.m_settings.setting_bits = kMngr | kSeeAll;
    Put(cp, 9, ContactType::Private, "Me", "700").own_flags = 0xC0;
    Put(cp, 10, ContactType::Private, "Other", "800").own_flags = 0x80;
    const std::string other = "800";
    cp.ApplyOwnFlagsToSettings(&other);
    EXPECT_EQ(cp.m_settings.setting_bits, Bit(setting::kMngrMode));
    const std::string nobody = "900";
    cp.ApplyOwnFlagsToSettings(&nobody);
    EXPECT_EQ(cp.m_settings.setting_bits, 0u);

    cp = VirtualCP();
    cp.m_limits.feature_bits = kBothFeatures;
    cp.m_settings.setting_bits = kMngr | kSeeAll;
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

// Only the radio's first max_num_of_contacts slots are repaired; a radio may claim more contacts
// than the table has slots.
TEST(VirtualCP, NormaliseGroupLinksStaysWithinTheRadiosContacts) {
    struct Row {
        std::uint32_t maxContacts;
        std::size_t slot;
        bool repaired;
    };
    const Row rows[] = {{11, 10, true}, {11, 11, false}, {0, 10, false}, {255, 149, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.maxContacts) + " contacts, slot " +
                     std::to_string(row.slot));
        VirtualCP cp = GroupImage();
        cp.m_limits.max_num_of_contacts = row.maxContacts;
        ContactRecord& ann = Put(cp, row.slot, ContactType::Private, "Ann", "1");
        ann.parent_groups[0] = "XX";
        ann.home_grp = "G1";
        const VirtualCP before = cp;
        cp.NormaliseGroupLinks();
        EXPECT_EQ(cp.m_contacts[row.slot].parent_groups[0], row.repaired ? "G1" : "XX");
        if (!row.repaired) {
            EXPECT_EQ(cp, before);
        }
    }
}

}  // namespace
}  // namespace vex
