#include "codeplug/radio_forms.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <variant>

#include "support/io_helpers.h"

namespace vex {
namespace {

using Piece = std::variant<int, const char*>;

// A form from pieces: a number is one byte, a text is its characters and a NUL.
Bytes Form(std::initializer_list<Piece> pieces) {
    Bytes out;
    for (const Piece& piece : pieces) {
        if (const int* byte = std::get_if<int>(&piece)) {
            out.push_back(static_cast<std::uint8_t>(*byte));
        } else {
            for (const char* c = std::get<const char*>(piece); *c != '\0'; ++c) {
                out.push_back(static_cast<std::uint8_t>(*c));
            }
            out.push_back(0);
        }
    }
    return out;
}

using test::Concat;

// Every strict prefix of a valid form is refused and leaves the destination as it was; each prefix
// is copied into an allocation of its own so that a read past it trips the address sanitizer.
template <typename T, typename Decode>
void ExpectEveryPrefixRefused(const Bytes& form, const T& sentinel, Decode decode) {
    for (std::size_t n = 0; n < form.size(); ++n) {
        SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
        const Bytes prefix(form.begin(), form.begin() + static_cast<std::ptrdiff_t>(n));
        T destination = sentinel;
        EXPECT_FALSE(decode(prefix, destination));
        EXPECT_EQ(destination, sentinel);
    }
    T destination = sentinel;
    EXPECT_TRUE(decode(form, destination));
}

ContactRecord Contact(ContactType type, const char* name, const char* pid) {
    ContactRecord contact;
    contact.cntct_type = static_cast<std::uint8_t>(type);
    contact.name = name;
    contact.pid = pid;
    contact.alert_tone = 3;
    contact.flags = 0x0B;
    contact.channel = 7;
    return contact;
}

ContactRecord Private(std::initializer_list<const char*> parents, const char* home) {
    ContactRecord contact = Contact(ContactType::Private, "Ann", "1001");
    std::size_t i = 0;
    for (const char* parent : parents) contact.parent_groups[i++] = parent;
    contact.home_grp = home;
    return contact;
}

// What a radio's Private form reads back as.
ContactRecord ReadBack(ContactRecord contact, int count, int home_index) {
    contact.group_count = static_cast<std::uint8_t>(count);
    contact.home_index = static_cast<std::uint8_t>(home_index);
    contact.own_flags = 1u << own_flag::kSeeAllGroups;
    return contact;
}

TEST(VersionForm, PhaseTravelsLast) {
    const VersionInfo version{'D', 0x5E, 4, 2, 3, 16, 0xFE};
    const Bytes form = Form({0x5E, 4, 2, 3, 16, 0xFE, 'D'});
    const auto encoded = EncodeVersionInfo(version);
    EXPECT_EQ(Bytes(encoded.begin(), encoded.end()), form);

    ExpectEveryPrefixRefused(form, VersionInfo{}, DecodeVersionInfo);
    VersionInfo decoded;
    ASSERT_TRUE(DecodeVersionInfo(form, decoded));
    EXPECT_EQ(decoded, version);
}

// Every field set; setting_bits holds time_format and two unnamed bits.
// clang-format off
const RadioSettings kFullSettings = {7, 5000, 1, 0xA1B2C3D4, 3600, 2, 3, 4, 5, 6, 9, 0x80000003,
                                     "17179869183"};
// clang-format on

TEST(SettingsForm, ExactBytesBothWays) {
    // One line per field group: contrast, backlight, vibracall; current_time, MSB first;
    // alarm_time; the six levels and language; setting bits as held; call_forward_id.
    // clang-format off
    const Bytes form = Form({7, 0, 0, 0x13, 0x88, 1,
                             0xA1, 0xB2, 0xC3, 0xD4,
                             0, 0, 0x0E, 0x10,
                             2, 3, 4, 5, 6, 9,
                             0x03, 0, 0, 0x80,
                             "17179869183"});
    // clang-format on
    EXPECT_EQ(EncodeRadioSettings(kFullSettings), form);
    RadioSettings decoded;  // every field of kFullSettings differs from its default
    ASSERT_TRUE(DecodeRadioSettings(form, decoded));
    EXPECT_EQ(decoded, kFullSettings);
    ExpectEveryPrefixRefused(form, RadioSettings{}, DecodeRadioSettings);
}

const std::uint32_t kSomeFeatures =
    (1u << feature::kSmsFreeFormMesgsEn) | (1u << feature::kSeeAllGroupsEn) |
    (1u << feature::kAddPrvtContactsEn) | (1u << feature::kOtaCloneRxEn);
// clang-format off
const RadioLimits kFullLimits = {"12345", {"100", "200000"}, {"17179869183", 50}, "V480",
                                 10, 150, 20, 50, 25, kSomeFeatures, 0x12345678,
                                 3, {1, 2, 5, 0, 0, 0}, 16, 8};
// clang-format on

TEST(LimitsForm, ExactBytesBothWays) {
    // One line per field group: texts and list size; model; clone version and the four maxima;
    // feature bits; static_ergo_flag2; languages; channels and volume.
    // clang-format off
    const Bytes form = Form({"12345", "100", "200000", "17179869183", 50,
                             'V', '4', '8', '0',
                             10, 150, 20, 50, 25,
                             0x00, 0x21, 0x04, 0x80,
                             0x78, 0x56, 0x34, 0x12,
                             3, 1, 2, 5,
                             16, 8});
    // clang-format on
    EXPECT_EQ(EncodeRadioLimits(kFullLimits), form);
    RadioLimits decoded;
    decoded.languages = {9, 9, 9, 9, 9, 9};  // entries past the count do not survive
    ASSERT_TRUE(DecodeRadioLimits(form, decoded));
    EXPECT_EQ(decoded, kFullLimits);
    ExpectEveryPrefixRefused(form, RadioLimits{}, DecodeRadioLimits);

    // The model takes four bytes after the list size: a shorter one is padded, a longer one cut.
    for (const auto& [model, bytes] :
         {std::pair{"AB", Bytes{100, 'A', 'B', 0, 0}}, {"V480X", Bytes{100, 'V', '4', '8', '0'}}}) {
        SCOPED_TRACE(model);
        RadioLimits limits;
        limits.model = model;
        const auto encoded = EncodeRadioLimits(limits);
        ASSERT_TRUE(encoded.has_value());
        EXPECT_EQ(Bytes(encoded->begin() + 27, encoded->begin() + 32), bytes);
        ASSERT_TRUE(DecodeRadioLimits(*encoded, limits));
        EXPECT_EQ(limits.model, std::string(model).substr(0, 4));
    }
}

TEST(LimitsForm, RangeAndGroupBaseTakenOnlyWhenSound) {
    struct Row {
        const char* start;
        const char* end;
        const char* base;
        int size;
        bool range_taken;
        bool base_taken;
    };
    const Row rows[] = {
        {"5", "5", "101", 100, false, true},
        {"1", "17179867883", "100", 100, true, false},
        {"0", "10", "17179869183", 255, false, true},
        {"1", "17179867884", "17179869184", 0, false, false},
        {"10", "9", "1", 0, false, true},
        {"x", "9", "", 0, false, false},
        {"+2", "03", " 256", 255, true, true},  // numeric tests, texts kept as sent
    };
    // Model, clone version and maxima, feature bits, static_ergo_flag2, no languages, channels,
    // volume.
    const Bytes tail =
        Form({'V', '4', '8', '0', 10, 150, 20, 50, 25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 16, 8});
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.start) + ".." + row.end + " base " + row.base);
        const Bytes form = Concat(Form({"777", row.start, row.end, row.base, row.size}), tail);
        RadioLimits limits;
        limits.pid_range = {"2", "3"};
        limits.public_group_base = {"5000", 7};
        ASSERT_TRUE(DecodeRadioLimits(form, limits));
        EXPECT_EQ(limits.pid, "777");
        EXPECT_EQ(limits.max_vol_level, 8);
        const PidRange range = row.range_taken ? PidRange{row.start, row.end} : PidRange{"2", "3"};
        const PublicGroupBase base =
            row.base_taken ? PublicGroupBase{row.base, static_cast<std::uint8_t>(row.size)}
                           : PublicGroupBase{"5000", 7};
        EXPECT_EQ(limits.pid_range, range);
        EXPECT_EQ(limits.public_group_base, base);
    }
}

TEST(LimitsForm, SixLanguagesFitAndASeventhIsRefused) {
    RadioLimits six = kFullLimits;
    six.num_of_languages = 6;
    six.languages = {1, 2, 3, 4, 5, 6};
    Bytes form = *EncodeRadioLimits(six);
    RadioLimits limits;
    ASSERT_TRUE(DecodeRadioLimits(form, limits));
    EXPECT_EQ(limits, six);

    // Announce a seventh language and supply it: the count alone makes the form unusable.
    const std::size_t countAt = form.size() - 2 - 6 - 1;
    ASSERT_EQ(form[countAt], 6);
    form[countAt] = 7;
    form.insert(form.begin() + static_cast<std::ptrdiff_t>(countAt) + 1, 4);
    EXPECT_FALSE(DecodeRadioLimits(form, limits));
    EXPECT_EQ(limits, six);

    six.num_of_languages = 7;
    EXPECT_EQ(EncodeRadioLimits(six), std::nullopt);
}

TEST(ContactForm, ExactBytesBothWays) {
    ContactRecord six_groups = Private({"G1", "G2", "G3", "G4", "G5"}, "P9");
    six_groups.own_flags = 0x80;  // the own-record byte never travels
    ContactRecord gapped = Private({"", "X", "", "Y"}, "");
    struct Row {
        const char* what;
        ContactRecord written;
        Bytes form;
        ContactRecord read;
    };
    const Row rows[] = {
        {"public group", Contact(ContactType::PublicGroup, "Fire", "17179869183"),
         Form({"Fire", 3, "17179869183", 0x0B, 7, 2}),
         Contact(ContactType::PublicGroup, "Fire", "17179869183")},
        {"private group", Contact(ContactType::PrivateGroup, "Crew", "500"),
         Form({"Crew", 3, "500", 0x0B, 7, 1}), Contact(ContactType::PrivateGroup, "Crew", "500")},
        {"home among the parents", Private({"X", "Y"}, "Y"),
         Form({"Ann", 3, "1001", 0x0B, 7, 0, 2, 2, "X", "Y"}), ReadBack(Private({"X"}, "Y"), 2, 2)},
        {"home not a parent", Private({"X", "Y"}, "Z"),
         Form({"Ann", 3, "1001", 0x0B, 7, 0, 3, 3, "X", "Y", "Z"}),
         ReadBack(Private({"X", "Y"}, "Z"), 3, 3)},
        {"no groups", Private({}, ""), Form({"Ann", 3, "1001", 0x0B, 7, 0, 0, 0}),
         ReadBack(Private({}, ""), 0, 0)},
        {"parents only, gaps skipped", gapped, Form({"Ann", 3, "1001", 0x0B, 7, 0, 2, 0, "X", "Y"}),
         ReadBack(Private({"X", "Y"}, ""), 2, 0)},
        {"five parents and a home", six_groups,
         Form({"Ann", 3, "1001", 0x0B, 7, 0, 6, 6, "G1", "G2", "G3", "G4", "G5", "P9"}),
         ReadBack(Private({"G1", "G2", "G3", "G4", "G5"}, "P9"), 6, 6)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(EncodeContactRecord(row.written), row.form);
        // Decoding replaces the whole record, whatever it held.
        ContactRecord decoded = six_groups;
        ASSERT_TRUE(DecodeContactRecord(row.form, decoded));
        EXPECT_EQ(decoded, row.read);
        ExpectEveryPrefixRefused(row.form, six_groups, DecodeContactRecord);
    }
}

TEST(ContactForm, MalformedGroupListsAreRefused) {
    struct Row {
        const char* what;
        Bytes form;
    };
    const Row rows[] = {
        {"six parents", Form({"A", 0, "1", 0, 0, 0, 6, 0, "a", "b", "c", "d", "e", "f"})},
        {"seven groups", Form({"A", 0, "1", 0, 0, 0, 7, 7, "a", "b", "c", "d", "e", "f", "g"})},
        {"home past the list", Form({"A", 0, "1", 0, 0, 0, 1, 2, "a", "b"})},
        {"home with no list", Form({"A", 0, "1", 0, 0, 0, 0, 1, "a"})},
        {"name unterminated", Bytes{'A', 'n', 'n'}},
        {"group unterminated", Concat(Form({"A", 0, "1", 0, 0, 0, 1, 0}), Bytes{'a'})},
    };
    const ContactRecord sentinel = Private({"X"}, "Y");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ContactRecord contact = sentinel;
        EXPECT_FALSE(DecodeContactRecord(row.form, contact));
        EXPECT_EQ(contact, sentinel);
    }
}

TEST(TextForm, ExactBytesBothWays) {
    for (const char* text : {"", "Meet at 5"}) {
        SCOPED_TRACE(text);
        const Bytes form = Form({text});
        EXPECT_EQ(EncodeTextMessage(text), form);
        std::string decoded = "old";
        ASSERT_TRUE(DecodeTextMessage(form, decoded));
        EXPECT_EQ(decoded, text);
        ExpectEveryPrefixRefused(form, std::string("old"), DecodeTextMessage);
    }
    // Anything after the terminator is not part of the form.
    std::string decoded;
    ASSERT_TRUE(DecodeTextMessage(Form({"Hi", 'x', 'y'}), decoded));
    EXPECT_EQ(decoded, "Hi");
}

TEST(Forms, LengthsPastOneByteAreRefused) {
    // 254 characters and the terminator fill the 255 bytes exactly.
    const std::string longest(254, 'a');
    const std::string too_long(255, 'a');
    EXPECT_EQ(EncodeTextMessage(longest)->size(), 255u);
    EXPECT_EQ(EncodeTextMessage(too_long), std::nullopt);

    Bytes form = *EncodeTextMessage(longest);
    std::string text;
    EXPECT_TRUE(DecodeTextMessage(form, text));
    form.insert(form.begin(), 'a');
    text = "old";
    EXPECT_FALSE(DecodeTextMessage(form, text));
    EXPECT_EQ(text, "old");

    RadioSettings settings;
    settings.call_forward_id = std::string(230, '1');
    EXPECT_EQ(EncodeRadioSettings(settings)->size(), 255u);
    settings.call_forward_id += '1';
    EXPECT_EQ(EncodeRadioSettings(settings), std::nullopt);

    ContactRecord contact = Private({}, "");
    contact.name = std::string(250, 'n');
    EXPECT_EQ(EncodeContactRecord(contact), std::nullopt);
}

TEST(Forms, StringsWithANulAreNotLaidDown) {
    // Every string goes down one of two ways: NUL-terminated, or fixed-length (the model).
    const std::string nul{'1', '\0', '2'};
    EXPECT_EQ(EncodeTextMessage(nul), std::nullopt);
    ContactRecord contact = Private({"X"}, "Y");
    contact.parent_groups[0] = nul;
    EXPECT_EQ(EncodeContactRecord(contact), std::nullopt);
    RadioLimits limits;
    limits.model = nul;
    EXPECT_EQ(EncodeRadioLimits(limits), std::nullopt);

    // Groups are not part of a group's own form, so they cannot spoil it.
    ContactRecord group = Contact(ContactType::PublicGroup, "G", "9");
    group.home_grp = nul;
    EXPECT_NE(EncodeContactRecord(group), std::nullopt);
}

}  // namespace
}  // namespace vex
