#include "sim/virtual_radio.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "codeplug/radio_forms.h"
#include "link/radio_protocol.h"
#include "sim/default_radio.h"
#include "sim/radio_server.h"
#include "sim_test_support.h"
#include "support/contacts.h"
#include "support/image_printers.h"

namespace vex::sim {
namespace {

using ::testing::ElementsAre;
using vex::test::Concat;

Bytes Form(const ContactRecord& contact) {
    return EncodeContactRecord(contact).value();
}
Bytes Form(std::string_view text) {
    return EncodeTextMessage(text).value();
}

Bytes Refused(std::uint8_t code) {
    return Bytes{'Q', code, query_code::kRefused};
}

TEST(VirtualRadioReplies, NumberContactsAndTextsInUseFromOne) {
    VirtualCP image;
    image.m_limits = DefaultRadioImage().m_limits;
    image.m_contacts[0] = MakeContact(ContactType::PublicGroup, "All", "17179869183");
    image.m_contacts[4] = MakeContact(ContactType::Private, "No pid", "");  // not in use
    image.m_contacts[5] = MakeContact(ContactType::PrivateGroup, "Crew", "5001");
    image.m_contacts[9] = MakeContact(ContactType::Private, "Ann", "1002");
    image.m_texts[3] = "Only text";
    VirtualRadio radio(image);

    EXPECT_EQ(radio.Answer(opcode::kGetContact, Bytes{0, 0}).data,
              Concat({'H', 1, 3}, Form(image.m_contacts[0])));
    EXPECT_EQ(radio.Answer(opcode::kGetContact, Bytes{2, 3}).data,
              Concat({'H', 2, 3}, Form(image.m_contacts[5])));
    EXPECT_EQ(radio.Answer(opcode::kGetContact, Bytes{3, 3}).data,
              Concat({'H', 3, 3}, Form(image.m_contacts[9])));
    EXPECT_THAT(radio.Answer(opcode::kGetContact, Bytes{4, 3}).data, ElementsAre('H', 0, 3));
    EXPECT_EQ(radio.Answer(opcode::kGetTextMessage, Bytes{0, 0}).data,
              Concat({'I', 1, 1}, Form("Only text")));

    radio.SetImage(VirtualCP{});
    EXPECT_THAT(radio.Answer(opcode::kGetContact, Bytes{0, 0}).data, ElementsAre('H', 0, 0));
    EXPECT_THAT(radio.Answer(opcode::kGetTextMessage, Bytes{0, 0}).data, ElementsAre('I', 0, 0));
}

TEST(VirtualRadioWrites, ARunOfPutsReplacesTheTable) {
    VirtualRadio radio(DefaultRadioImage());
    int changes = 0;
    radio.SetChangeHook([&](const VirtualCP&) { ++changes; });
    const ContactRecord crew = MakeContact(ContactType::PrivateGroup, "Crew", "5001");
    ContactRecord ann = MakeContact(ContactType::Private, "Ann", "1002");
    ann.parent_groups[0] = "5001";
    // Links to groups the table does not hold are dropped at the end of the write.
    ContactRecord sent = ann;
    sent.parent_groups[1] = "5999";
    sent.home_grp = "5998";

    EXPECT_THAT(radio.Answer(opcode::kPutContact, Concat({1, 2}, Form(crew))).data,
                ElementsAre('P'));
    // The host sends a frame again when the answer was lost: the table must not start over.
    EXPECT_THAT(radio.Answer(opcode::kPutContact, Concat({1, 2}, Form(crew))).data,
                ElementsAre('P'));
    EXPECT_THAT(radio.Answer(opcode::kPutContact, Concat({2, 2}, Form(sent))).data,
                ElementsAre('P'));
    EXPECT_THAT(radio.Answer(opcode::kPutTextMessage, Concat({1, 1}, Form("Hi"))).data,
                ElementsAre('P'));
    EXPECT_EQ(changes, 0);
    EXPECT_THAT(radio.Answer(opcode::kEndWrite, {}).data, ElementsAre('P'));
    EXPECT_EQ(changes, 1);

    const VirtualCP held = radio.Image();
    EXPECT_THAT(test::CarriedContacts(held), ElementsAre(crew, ann));
    EXPECT_THAT(test::UsedTexts(held), ElementsAre("Hi"));

    // A later write starts afresh; (0, 0) without a record leaves nothing.
    EXPECT_THAT(radio.Answer(opcode::kPutContact, Bytes{0, 0}).data, ElementsAre('P'));
    EXPECT_THAT(radio.Answer(opcode::kPutTextMessage, Bytes{0, 0}).data, ElementsAre('P'));
    EXPECT_TRUE(test::CarriedContacts(radio.Image()).empty());
    EXPECT_TRUE(test::UsedTexts(radio.Image()).empty());
}

TEST(VirtualRadioWrites, MalformedOrImpossibleRequestsAreRefusedAndChangeNothing) {
    const VirtualCP before = DefaultRadioImage();
    VirtualRadio radio(before);
    const Bytes crew = Form(MakeContact(ContactType::PrivateGroup, "Crew", "5001"));
    ContactRecord bad = MakeContact(ContactType::Private, "Bad", "1");
    bad.cntct_type = 7;
    Bytes badType = Form(bad);
    Bytes cut = crew;
    cut.pop_back();  // the last field is missing
    const Bytes settings = EncodeRadioSettings(before.m_settings).value();
    const Bytes cutSettings(settings.begin(), settings.begin() + 10);
    const std::string tooLong(200, 'x');

    struct Row {
        const char* name;
        std::uint8_t opcode;
        Bytes payload;
    };
    const Row rows[] = {
        {"payload where none belongs", opcode::kGetVersion, {1}},
        {"GetContact short", opcode::kGetContact, {1}},
        {"GetContact long", opcode::kGetTextMessage, {1, 2, 3}},
        {"PutContact without count", opcode::kPutContact, {1}},
        {"PutContact index 0", opcode::kPutContact, Concat({0, 1}, crew)},
        {"PutContact past total", opcode::kPutContact, Concat({3, 2}, crew)},
        {"PutContact past capacity", opcode::kPutContact, Concat({151, 151}, crew)},
        {"PutContact cut short", opcode::kPutContact, Concat({1, 1}, cut)},
        {"PutContact unknown type", opcode::kPutContact, Concat({1, 1}, badType)},
        {"PutText past capacity", opcode::kPutTextMessage, Concat({26, 26}, Form("x"))},
        {"PutText unterminated", opcode::kPutTextMessage, {1, 1, 'a', 'b'}},
        {"PutSettings cut short", opcode::kPutSettings, cutSettings},
        {"unknown command", 0x77, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(radio.Answer(row.opcode, row.payload).data, Refused(row.opcode));
        EXPECT_EQ(radio.Image(), before);
    }

    // A record the radio holds but cannot send in one frame: 'I', index, count and 119 bytes
    // are one more than the host takes.
    VirtualCP image = before;
    image.m_texts[0] = tooLong.substr(0, 118);
    radio.SetImage(image);
    EXPECT_EQ(radio.Answer(opcode::kGetTextMessage, Bytes{1, 0}).data,
              Refused(opcode::kGetTextMessage));
}

TEST(VirtualRadioWrites, AnyPayloadGetsAnAnswerThatFitsAFrame) {
    VirtualRadio radio(DefaultRadioImage());
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    for (int round = 0; round < 2000; ++round) {
        const std::uint8_t code = static_cast<std::uint8_t>(0x24 + next() % 0x18);
        // Small indexes and counts now and then, so that some puts go through.
        Bytes payload(next() % 130);
        for (std::uint8_t& b : payload) b = next();
        if (payload.size() >= 2 && round % 2 == 0) payload[0] = payload[1] = next() % 4;
        const RadioReply reply = radio.Answer(code, payload);
        ASSERT_FALSE(reply.data.empty());
        ASSERT_FALSE(ReplyBytes(reply).empty()) << "opcode " << int(code);
    }
}

// How many "not yet" answers come before the id is the transfer tests' (their progress steps).
TEST(VirtualRadioPidCapture, APollBeforeTheCaptureIsRefusedAndTheIdIsKept) {
    VirtualRadio radio(DefaultRadioImage());
    radio.SetPidCapture("4242", 0);
    const Bytes captured{'S', 2, '4', '2', '4', '2', 0};
    EXPECT_EQ(radio.Answer(opcode::kPollPid, {}).data, Refused(opcode::kPollPid));
    EXPECT_EQ(radio.Answer(opcode::kStartPidCapture, {}).data, (Bytes{'S', 1}));
    EXPECT_EQ(radio.Answer(opcode::kPollPid, {}).data, captured);
    // Asked again (the answer may have been lost), the radio still has it.
    EXPECT_EQ(radio.Answer(opcode::kPollPid, {}).data, captured);
}

}  // namespace
}  // namespace vex::sim
