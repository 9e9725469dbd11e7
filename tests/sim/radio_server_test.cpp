#include "sim/radio_server.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "link/radio_protocol.h"
#include "sim/faults.h"

namespace vex::sim {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

std::vector<HostFrame> Parse(FrameParser& parser, const Bytes& bytes) {
    std::vector<HostFrame> frames;
    for (const std::uint8_t b : bytes) {
        if (auto frame = parser.Push(b)) frames.push_back(*frame);
    }
    return frames;
}

TEST(FrameParser, TakesTheHostsFramesAndSkipsWhatCannotBeOneOrWasBrokenOff) {
    FrameParser parser;
    Bytes line = {0x00, 0x50, 0xF0, 0xF1};              // noise, impossible short lengths
    line.insert(line.end(), {0xF2, 0x9B, 0x25, 0x4D});  // GetVersion
    line.insert(line.end(), {0xF2, 0x9B, 0x26, 0x00});  // wrong checksum
    line.insert(line.end(), {0xF2, 0x41, 0x26, 0x00});  // a reply's type
    line.insert(line.end(), {0xFF, 0x9B, 0x00, 0xC8});  // L = 200: too long
    line.insert(line.end(), {0xF5, 0xF4, 0x9B, 0x30, 0x01, 0x05, 0x3A});  // marker-like noise
    line.insert(line.end(), {0xFF, 0x9B, 0x00, 0x0F, 0x31});              // a long frame, 13 bytes
    for (std::uint8_t b = 0; b <= 0x0C; ++b) line.push_back(b);
    line.push_back(0xD7);

    const auto frames = Parse(parser, line);
    Bytes thirteen;
    for (std::uint8_t b = 0; b <= 0x0C; ++b) thirteen.push_back(b);
    EXPECT_THAT(frames, ElementsAre(HostFrame{opcode::kGetVersion, {}, 4},
                                    HostFrame{opcode::kGetContact, {1, 5}, 6},
                                    HostFrame{opcode::kPutContact, thirteen, 19}));
    EXPECT_EQ(parser.Dropped(), 4u);
    EXPECT_FALSE(parser.InFrame());

    EXPECT_TRUE(Parse(parser, {0xF4, 0x9B, 0x30, 0x01}).empty());
    EXPECT_TRUE(parser.InFrame());
    parser.Reset();
    EXPECT_EQ(parser.Dropped(), 5u);
    EXPECT_THAT(Parse(parser, {0xF2, 0x9B, 0x25, 0x4D}),
                ElementsAre(HostFrame{opcode::kGetVersion, {}, 4}));
}

TEST(ReplyBytes, LaysDownTheFaultsOfTheWire) {
    const RadioReply done{frame_type::kAnswer, {'P'}};
    EXPECT_THAT(ReplyBytes(done), ElementsAre(0x50, 0xF2, 0x41, 0x50, 0x7C));

    const Bytes noisy = ReplyBytes(done, 0x50, 9);
    ASSERT_EQ(noisy.size(), 5u + 9u);
    for (std::size_t i = 1; i <= 9; ++i) EXPECT_LT(noisy[i], 0xF0) << i;
    EXPECT_THAT(std::vector(noisy.end() - 4, noisy.end()), ElementsAre(0xF2, 0x41, 0x50, 0x7C));

    // Status frames always go long, with three status bytes counted in L.
    EXPECT_THAT(ReplyBytes(RadioReply{frame_type::kStatus84, {'P'}}),
                ElementsAre(0x50, 0xFF, 0x84, 0x00, 0x05, 0x00, 0x00, 0x00, 0x50, 0x27));

    EXPECT_TRUE(ReplyBytes(RadioReply{frame_type::kAnswer, {}}).empty());
    EXPECT_TRUE(ReplyBytes(RadioReply{frame_type::kAnswer, Bytes(123, 'x')}).empty());
}

TEST(FaultSyntax, ReadsEveryKind) {
    struct Row {
        const char* text;
        Fault fault;
    };
    const Row rows[] = {
        {"silence", {FaultKind::Silence, 0, {}, {}}},
        {"noise:12", {FaultKind::Noise, 12, {}, {}}},
        {"checksum/2", {FaultKind::BadChecksum, 0, {}, 2}},
        {"LeadIn:0x00", {FaultKind::LeadIn, 0x00, {}, {}}},
        {" q:fd @ putcontact / 3 ", {FaultKind::Query, 0xFD, opcode::kPutContact, 3}},
        {"q:00@31", {FaultKind::Query, 0x00, opcode::kPutContact, {}}},
        {"s:4@StartPidCapture", {FaultKind::State, 4, opcode::kStartPidCapture, {}}},
        {"type:80", {FaultKind::FrameType, 0x80, {}, {}}},
        {"version:6", {FaultKind::Version, 6, opcode::kGetVersion, {}}},
        {"hangup:2@EndWrite", {FaultKind::HangUp, 2, opcode::kEndWrite, {}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string error;
        const auto fault = ParseFault(row.text, error);
        ASSERT_TRUE(fault) << error;
        EXPECT_EQ(*fault, row.fault);
        // The text a log shows reads back as the same fault.
        EXPECT_EQ(ParseFault(FaultText(*fault), error), fault) << FaultText(*fault);
    }
}

TEST(FaultSyntax, RefusesWhatIsNoFault) {
    for (const char* text :
         {"", "bogus", "q", "checksum:3", "q:1FF", "checksum/0", "noise:x", "q:FE@Nothing",
          "version:6@GetLimits", "drop", "q:FE/1/2", "q:FE@EndWrite@PollPid"}) {
        SCOPED_TRACE(text);
        std::string error;
        EXPECT_FALSE(ParseFault(text, error));
        EXPECT_FALSE(error.empty());
    }
}

Fault Parsed(const char* text) {
    std::string error;
    return ParseFault(text, error).value();
}

TEST(FaultPlan, TheFirstReplacementWinsAndOnlyItIsUsedUp) {
    FaultPlan plan;
    plan.Add(Parsed("q:FE/1"));
    plan.Add(Parsed("s:4/1"));
    plan.Add(Parsed("noise:2"));
    plan.Add(Parsed("noise:3"));
    const FrameFaults first = plan.Next(opcode::kEndWrite);
    ASSERT_TRUE(first.replacement);
    EXPECT_EQ(first.replacement->kind, FaultKind::Query);
    EXPECT_EQ(first.noise, 5u);
    const FrameFaults second = plan.Next(opcode::kEndWrite);
    ASSERT_TRUE(second.replacement);
    EXPECT_EQ(second.replacement->kind, FaultKind::State);
    EXPECT_FALSE(plan.Next(opcode::kEndWrite).replacement);
}

}  // namespace
}  // namespace vex::sim
