#include "link/radio_protocol.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "codeplug/radio_forms.h"
#include "support/io_helpers.h"

namespace vex {
namespace {

// One item on the scripted line: a byte value 0..255, or kSilence.
constexpr int kSilence = -1;
using Line = std::vector<int>;

std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    char cell[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", bytes[i]);
        out += cell;
    }
    return out;
}

std::string Hex(const Bytes& bytes) {
    return Hex(bytes.data(), bytes.size());
}

// A serial port with a script instead of a device, for driving the protocol.
//
// The line is a queue of bytes and silences. An exact Read takes bytes until it has what it asked
// for; when it meets a silence first it gives what it has (0, or a short read) and uses the silence
// up, as a real read that timed out would. Replies can also wait for a write: AnswerNextWrite
// queues bytes that arrive on the line when the next successful write happens, so a purge before
// the write does not throw them away. Nothing ever sleeps.
//
// Every call that changes the line is logged ("purge 12", "write F2 9B 25 4D", "write failed",
// "clear"), so that tests can check the order of purge, write and error clearing.
class ScriptedPort : public SerialPort {
  public:
    // Bytes (and silences) on the line now.
    void Feed(const Line& items) { m_input.insert(m_input.end(), items.begin(), items.end()); }

    // What the other end sends after the next successful write; one call per write, in order.
    void AnswerNextWrite(const Line& items) { m_answers.push_back(items); }

    // The n-th call of Write (counting from 1) fails with -1 and delivers nothing.
    void FailWrite(int n) { m_failingWrites.insert(n); }

    // A line that echoes every written byte before the answer.
    void SetEcho(bool echo) { m_echo = echo; }
    void SetOpen(bool open) { m_open = open; }
    void SetLastError(std::uint32_t error) { m_lastError = error; }

    const std::vector<std::string>& Log() const { return m_log; }
    const std::vector<Bytes>& Written() const { return m_written; }
    std::size_t Pending() const { return m_input.size(); }

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count, bool exact) override {
        if (!m_open) return 0;
        std::int32_t got = 0;
        while (static_cast<std::uint32_t>(got) < count && !m_input.empty()) {
            if (m_input.front() == kSilence) {
                if (exact) m_input.pop_front();  // this read waited and timed out
                return got;
            }
            buffer[got++] = static_cast<std::uint8_t>(m_input.front());
            m_input.pop_front();
        }
        return got;
    }

    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override {
        ++m_writeCalls;
        if (!m_open) return 0;
        if (m_failingWrites.count(m_writeCalls) != 0) {
            m_log.push_back("write failed");
            return -1;
        }
        m_written.emplace_back(buffer, buffer + count);
        m_log.push_back("write " + Hex(buffer, count));
        if (m_echo) m_input.insert(m_input.end(), buffer, buffer + count);
        if (!m_answers.empty()) {
            Feed(m_answers.front());
            m_answers.pop_front();
        }
        return static_cast<std::int32_t>(count);
    }

    bool Purge(std::uint32_t flags) override {
        m_log.push_back("purge " + std::to_string(flags));
        if ((flags & purge::kClearInput) != 0) m_input.clear();
        return true;
    }

    bool ClearErrors(std::uint32_t* queueStatus = nullptr,
                     std::uint32_t* errorMask = nullptr) override {
        m_log.push_back("clear");
        m_lastError = 0;
        if (queueStatus != nullptr) *queueStatus = static_cast<std::uint32_t>(m_input.size());
        if (errorMask != nullptr) *errorMask = 0;
        return true;
    }

    bool Close() override {
        m_open = false;
        return true;
    }

    bool IsOpen() const override { return m_open; }

  private:
    std::deque<int> m_input;
    std::deque<Line> m_answers;
    std::set<int> m_failingWrites;
    std::vector<std::string> m_log;
    std::vector<Bytes> m_written;
    int m_writeCalls = 0;
    bool m_echo = false;
    bool m_open = true;
};

using test::Concat;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

Bytes Sequence(std::size_t n, std::uint8_t first = 0) {
    Bytes out(n);
    std::iota(out.begin(), out.end(), first);
    return out;
}

// The lead-in, the raw frame bytes and their checksum (worked out here, independently).
Line Framed(const Bytes& raw) {
    Line line{kLeadIn};
    unsigned sum = 0;
    for (std::uint8_t b : raw) {
        line.push_back(b);
        sum += b;
    }
    line.push_back(static_cast<int>(0xFF - (sum & 0xFF)));
    return line;
}

// A reply frame of `type` carrying `data` (letter first), short or long as its size needs.
Line ReplyLine(std::uint8_t type, const Bytes& data) {
    const std::size_t length = data.size() + 1;
    Bytes raw = length <= 14 ? Bytes{static_cast<std::uint8_t>(0xF0 + length), type}
                             : Bytes{0xFF, type, static_cast<std::uint8_t>(length >> 8),
                                     static_cast<std::uint8_t>(length & 0xFF)};
    return Framed(Concat(raw, data));
}

Line Answer(const Bytes& data) {
    return ReplyLine(frame_type::kAnswer, data);
}

Line BadSum(Line line) {
    line.back() ^= 0x01;
    return line;
}

Line Join(std::initializer_list<Line> parts) {
    Line out;
    for (const Line& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Build(std::uint8_t opcodeByte, const Bytes& payload) {
    std::array<std::uint8_t, kFrameBufferSize> out{};
    const std::size_t n = RadioProtocol::BuildFrame(frame_type::kCommand, opcodeByte, payload, out);
    return Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(BuildFrame, ExactBytes) {
    struct Row {
        const char* name;
        std::uint8_t opcode;
        Bytes payload;
        const char* frame;
    };
    const Row rows[] = {
        {"no payload", 0x25, {}, "F2 9B 25 4D"},
        {"two bytes", 0x30, {0, 0}, "F4 9B 30 00 00 40"},
        {"12 bytes: the longest short frame", 0x31, Sequence(12),
         "FE 9B 31 00 01 02 03 04 05 06 07 08 09 0A 0B F3"},
        {"13 bytes: the shortest long frame", 0x31, Sequence(13),
         "FF 9B 00 0F 31 00 01 02 03 04 05 06 07 08 09 0A 0B 0C D7"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Hex(Build(row.opcode, row.payload)), row.frame);
    }
}

struct ReceiveRow {
    const char* name;
    Line line;
    std::int32_t result;
    std::size_t left;  // bytes still on the line: a frame that cannot be a reply is left at once
    std::uint8_t frameType = 0;
    Bytes data = {};
    std::uint32_t status = 0;
};

TEST(ReceiveFrame, Replies) {
    const Line noise = Line{0x00, 0x13, kLeadIn, 0xEF, 0x7F};
    const Line chatter(300, 0x20);
    const Line answer = Answer({'P'});
    const Line afterLeadIn(answer.begin() + 1, answer.end());
    // clang-format off
    const ReceiveRow rows[] = {
        {"short answer", Answer({'P'}), 1, 0, 0x41, {'P'}},
        {"long answer", Answer(Concat({'E'}, Sequence(13))), 14, 0, 0x41,
         Concat({'E'}, Sequence(13))},
        {"noise between lead-in and marker is skipped", Join({{kLeadIn}, noise, afterLeadIn}), 1, 0,
         0x41, {'P'}},
        {"endless noise is given up on", Join({{kLeadIn}, chatter, afterLeadIn}), 0, 300 - 257 + 4},
        {"wrong lead-in", Join({{0x51}, afterLeadIn}), 0, 4},
        {"bad checksum", BadSum(Answer({'P', 1, 2})), -1, 0},
        {"silence mid-frame", Line{kLeadIn, 0xF4, 0x41, 'P'}, 0, 0},
        {"0x8C reply", ReplyLine(frame_type::kRejected, {0}), 1, 0, 0x8C, {0}},
        {"long 0x84 with L=6: three status bytes, two data bytes",
         Framed({0xFF, 0x84, 0x00, 0x06, 0x12, 0x34, 0x56, 'A', 'B'}), 2, 0, 0x84, {'A', 'B'},
         0x123456},
        {"long 0x80 with L=4: status bytes only", Framed({0xFF, 0x80, 0x00, 0x04, 1, 2, 3}), 0, 0,
         0x80, {}, 0x010203},
        {"long 0x85 with L=3", Framed({0xFF, 0x85, 0x00, 0x03, 1, 2}), 0, 3, 0x85},
        {"short 0x84 carries no status bytes", ReplyLine(0x84, {1, 2, 3}), 3, 0, 0x84, {1, 2, 3}},
        {"long with L=0", Framed({0xFF, 0x41, 0x00, 0x00}), 0, 0, 0x41},
        {"long with L=1", Framed({0xFF, 0x41, 0x00, 0x01}), 0, 1, 0x41},
        {"short nibble 1", Framed({0xF1, 0x41, 'P'}), 0, 2, 0x41},
        {"long with 121 data bytes", Framed(Concat({0xFF, 0x41, 0x00, 122}, Sequence(121))), 121, 0,
         0x41, Sequence(121)},
        {"long with 122 data bytes", Framed(Concat({0xFF, 0x41, 0x00, 123}, Sequence(122))), 0, 123,
         0x41},
        {"status frame with 121 data bytes",
         Framed(Concat({0xFF, 0x84, 0x00, 125, 0, 0, 7}, Sequence(121))), 121, 0, 0x84,
         Sequence(121), 7},
        {"length high byte set", Framed(Concat({0xFF, 0x41, 0x01, 0x05}, Sequence(300))), 0, 301,
         0x41},
    };
    // clang-format on
    for (const ReceiveRow& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPort port;
        port.Feed(row.line);
        RadioProtocol protocol(&port);
        // The caller's buffer on the heap, exactly 121 bytes: a store past it trips the sanitizer.
        auto buffer = std::make_unique<std::uint8_t[]>(kReplyDataSize);
        std::span<std::uint8_t, kReplyDataSize> data(buffer.get(), kReplyDataSize);
        std::uint32_t status = 0xDEADBEEF;
        std::uint8_t frameType = 0;
        const std::int32_t result = protocol.ReceiveFrame(status, frameType, data);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(port.Pending(), row.left);
        if (row.frameType != 0) {
            EXPECT_EQ(frameType, row.frameType);
            EXPECT_EQ(status, row.status);
        }
        if (result > 0) {
            EXPECT_EQ(Hex(buffer.get(), static_cast<std::size_t>(result)), Hex(row.data));
        }
    }
}

// The lead-in and the bytes up to the frame type get m_leadInAttempts reads each; a skipped byte
// or the frame type switches to m_retries.
TEST(ReceiveFrame, AttemptsPerByte) {
    struct Row {
        const char* name;
        std::int32_t leadIn;
        std::int32_t retries;
        Line line;
        std::int32_t result;
    };
    const Row rows[] = {
        {"lead-in after two silences", 3, 3, Join({{kSilence, kSilence}, Answer({'P'})}), 1},
        {"lead-in after three silences", 3, 3,
         Join({{kSilence, kSilence, kSilence}, Answer({'P'})}), 0},
        {"marker late, nothing skipped", 1, 3, Line{kLeadIn, kSilence, 0xF2, 0x41, 'P', 0x7C}, 0},
        {"frame type late, nothing skipped", 1, 3, Line{kLeadIn, 0xF2, kSilence, 0x41, 'P', 0x7C},
         0},
        {"marker late after a skipped byte", 1, 3,
         Line{kLeadIn, 0x00, kSilence, kSilence, 0xF2, 0x41, 'P', 0x7C}, 1},
        {"data late after the frame type", 1, 3,
         Line{kLeadIn, 0xF2, 0x41, kSilence, kSilence, 'P', 0x7C}, 1},
        {"data too late", 3, 2, Line{kLeadIn, 0xF2, 0x41, kSilence, kSilence, 'P', 0x7C}, 0},
        {"checksum late after the frame type", 1, 3,
         Line{kLeadIn, 0xF2, 0x41, 'P', kSilence, kSilence, 0x7C}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPort port;
        port.Feed(row.line);
        RadioProtocol protocol(&port);
        protocol.m_leadInAttempts = row.leadIn;
        protocol.m_retries = row.retries;
        Reply reply;
        std::uint32_t status = 0;
        EXPECT_EQ(protocol.ReceiveFrame(status, reply.frameType, reply.data), row.result);
    }
}

TEST(ReceiveFrame, ReadExactNeedsTheWholeCount) {
    ScriptedPort port;
    port.Feed(Line{1, 2, kSilence, 3, 4, 5, kSilence, 6, 7, 8, 9});
    RadioProtocol protocol(&port);
    std::array<std::uint8_t, 4> buffer{};
    // 1 2 (short), 3 4 5 (short), 6 7 8 9: the third read delivers, into the start of the buffer.
    EXPECT_EQ(protocol.ReadExact(buffer.data(), 4), 4);
    EXPECT_THAT(buffer, ElementsAre(6, 7, 8, 9));

    port.Feed(Line{1, kSilence, 2, kSilence, 3, kSilence, 4, 5});
    EXPECT_EQ(protocol.ReadExact(buffer.data(), 2), -1) << "three short reads use up the attempts";
}

// What one exchange of `frame` gives: the reply's data size, 0 or a failure.
std::int32_t Transact(RadioProtocol& protocol, const Bytes& frame) {
    Reply reply;
    return protocol.Transact(frame.data(), frame.size(), reply.frameType, reply.data);
}

const Bytes kGetVersionFrame = {0xF2, 0x9B, 0x25, 0x4D};
const std::string kGetVersionWrite = "write F2 9B 25 4D";

TEST(Transact, RetriesWhileNoValidReply) {
    struct Row {
        const char* name;
        std::vector<Line> answers;
        std::int32_t result;
        std::size_t writes;
    };
    const Line good = Answer({'P', 9});
    const Line bad = BadSum(good);
    const Line wrongLeadIn = Join({{0x51}, Line(good.begin() + 1, good.end())});
    const Line silence = {};
    const Line empty = Framed({0xFF, 0x41, 0x00, 0x00});
    // What is left of a reply that was given up on (a short length of 0 ends it at once) must not
    // be read as the next reply's start.
    const Line leftover = Join({Line{kLeadIn, 0xF0, 0x41}, Answer({'Z'})});
    const Row rows[] = {
        {"first reply good", {good}, 2, 1},
        {"wrong lead-in, then good", {wrongLeadIn, good}, 2, 2},
        {"wrong lead-in every time", {wrongLeadIn, wrongLeadIn, wrongLeadIn, good}, 0, 3},
        {"what is left of a failed reply is purged", {leftover, good}, 2, 2},
        {"silent line", {}, 0, 3},
        {"bad checksum, then good", {bad, good}, 2, 2},
        {"bad checksum every time", {bad, bad, bad, good}, -1, 3},
        {"bad checksum, then silence at last", {bad, bad, silence}, 0, 3},
        {"bad checksum on the last exchange", {silence, silence, bad}, -1, 3},
        {"no data bytes counts as no reply", {empty, empty, empty}, 0, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPort port;
        for (const Line& answer : row.answers) port.AnswerNextWrite(answer);
        RadioProtocol protocol(&port);
        EXPECT_EQ(Transact(protocol, kGetVersionFrame), row.result);
        // A purge before each send, the errors cleared once at the end.
        std::vector<std::string> log;
        for (std::size_t i = 0; i < row.writes; ++i)
            log.insert(log.end(), {"purge 12", kGetVersionWrite});
        log.push_back("clear");
        EXPECT_EQ(port.Log(), log);
    }
}

TEST(Transact, UnusablePortOrNothingToSend) {
    struct Row {
        const char* name;
        bool port;
        bool open;
        std::uint32_t lastError;
        Bytes frame;
        std::int32_t result;
    };
    const Row rows[] = {
        {"no port", false, true, 0, kGetVersionFrame, -1},
        {"closed port", true, false, 0, kGetVersionFrame, -1},
        {"port with an error", true, true, 5, kGetVersionFrame, -1},
        {"no frame", true, true, 0, {}, -2},
        {"no frame, no port: the missing frame is told first", false, true, 0, {}, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPort port;
        port.SetOpen(row.open);
        port.SetLastError(row.lastError);
        port.AnswerNextWrite(Answer({'P'}));
        RadioProtocol protocol(row.port ? &port : nullptr);
        EXPECT_EQ(Transact(protocol, row.frame), row.result);
        EXPECT_TRUE(port.Log().empty()) << "nothing is done";
    }
}

TEST(Transact, FailedWritesAndEchoCheck) {
    struct Row {
        const char* name;
        int failingWrites;  // the first n writes fail
        bool echo;          // the line echoes, and the protocol checks the echo
        bool echoCheck;
        std::int32_t result;
        std::size_t written;
        std::size_t logged;
    };
    const Row rows[] = {
        {"one failed write is tried again within the exchange", 1, false, false, 1, 1, 4},
        {"every write fails: three exchanges of three writes", 9, false, false, -1, 0, 13},
        {"a failed send, then a good exchange", 3, false, false, 1, 1, 7},
        {"the echo comes back", 0, true, true, 1, 1, 3},
        {"no echo: every write attempt fails", 0, false, true, -1, 9, 13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPort port;
        for (int n = 1; n <= row.failingWrites; ++n) port.FailWrite(n);
        port.SetEcho(row.echo);
        if (row.result > 0) port.AnswerNextWrite(Answer({'P'}));
        RadioProtocol protocol(&port);
        protocol.m_echoCheck = row.echoCheck;
        EXPECT_EQ(Transact(protocol, kGetVersionFrame), row.result);
        EXPECT_EQ(port.Written().size(), row.written);
        EXPECT_EQ(port.Log().size(), row.logged);
    }
}

using Call = std::function<LinkStatus(RadioProtocol&, Reply&)>;

TEST(Command, FramesAndSuccessLetters) {
    const Bytes form = {0x01, 0x02, 0x03};
    const Bytes text = {'H', 'i', 0};
    struct Row {
        Call run;
        const char* frame;
        Bytes answer;  // a reply that succeeds
    };
    // clang-format off
    const Row rows[] = {
        {[](auto& p, auto& r) { return p.GetVersion(r); }, "F2 9B 25 4D",
         {'E', 0x5E, 5, 0, 3, 16, 5, 'R'}},
        {[](auto& p, auto& r) { return p.ConfirmLink(r); }, "F2 9B 26 4C", {'P'}},
        {[](auto& p, auto& r) { return p.GetLimits(r); }, "F2 9B 27 4B",
         Concat({'F'}, Sequence(40))},
        {[](auto& p, auto& r) { return p.GetSettings(r); }, "F2 9B 28 4A", {'G', 1, 2}},
        {[&](auto& p, auto& r) { return p.PutSettings(form, r); }, "F5 9B 29 01 02 03 40", {'P'}},
        {[](auto& p, auto& r) { return p.GetContact(7, 1, r); }, "F4 9B 30 07 01 38",
         {'H', 7, 1, 0}},
        {[](auto& p, auto& r) { return p.PutContact(0, 0, {}, r); }, "F4 9B 31 00 00 3F", {'P'}},
        {[](auto& p, auto& r) { return p.GetTextMessage(3, 1, r); }, "F4 9B 32 03 01 3A",
         {'I', 3, 1, 'H', 'i', 0}},
        {[&](auto& p, auto& r) { return p.PutTextMessage(4, 1, text, r); },
         "F7 9B 33 04 01 48 69 00 84", {'P'}},
        {[](auto& p, auto& r) { return p.EndWrite(r); }, "F2 9B 36 3C", {'P'}},
        {[](auto& p, auto& r) { return p.ResetRadio(r); }, "F2 9B 37 3B", {'P'}},
        {[](auto& p, auto& r) { return p.StartPidCapture(r); }, "F2 9B 38 3A", {'S', 1}},
        {[](auto& p, auto& r) { return p.PollPid(r); }, "F2 9B 39 39", {'S', 2, '1', '2', '3', 0}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.frame);
        for (const bool known : {true, false}) {
            SCOPED_TRACE(known ? "its letter" : "another letter");
            const Bytes answer = known ? row.answer : Bytes{'Z', 1, 2};
            ScriptedPort port;
            port.AnswerNextWrite(Answer(answer));
            RadioProtocol protocol(&port);
            Reply reply;
            EXPECT_EQ(row.run(protocol, reply),
                      known ? LinkStatus::Success : LinkStatus::UnsupportedCommand);
            ASSERT_EQ(port.Written().size(), 1u);
            EXPECT_EQ(Hex(port.Written()[0]), row.frame);
            EXPECT_EQ(reply.frameType, frame_type::kAnswer);
            EXPECT_THAT(reply.Data(), ElementsAreArray(answer)) << "the reply is handed over";
        }
    }
}

// What MapReplyStatus does not know: PollPid wants state 2, EndWrite's state 2 tells its size.
TEST(Command, StateReplies) {
    const Call pollPid = [](RadioProtocol& p, Reply& r) { return p.PollPid(r); };
    const Call startCapture = [](RadioProtocol& p, Reply& r) { return p.StartPidCapture(r); };
    const Call endWrite = [](RadioProtocol& p, Reply& r) { return p.EndWrite(r); };
    const Call confirm = [](RadioProtocol& p, Reply& r) { return p.ConfirmLink(r); };
    struct Row {
        const char* name;
        Call run;
        Bytes answer;  // empty: a silent line
        LinkStatus status;
    };
    const Row rows[] = {
        {"PollPid, state 2", pollPid, {'S', 2, '7', 0}, LinkStatus::Success},
        {"PollPid, state 1", pollPid, {'S', 1}, LinkStatus::TimedOut},
        {"PollPid, no state byte", pollPid, {'S'}, LinkStatus::OperationFailed},
        {"StartPidCapture, state 2", startCapture, {'S', 2}, LinkStatus::Success},
        {"EndWrite, state 2: the number of data bytes", endWrite, {'S', 2, 0, 0}, ToLinkStatus(4)},
        {"EndWrite, state 2, shortest", endWrite, {'S', 2}, ToLinkStatus(2)},
        {"EndWrite, Q FD", endWrite, {'Q', 0, 0xFD}, LinkStatus::ResetOrWriteFirst},
        {"silent line", confirm, {}, LinkStatus::NoConnection},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPort port;
        if (!row.answer.empty()) port.AnswerNextWrite(Answer(row.answer));
        RadioProtocol protocol(&port);
        Reply reply;
        EXPECT_EQ(ToInt(row.run(protocol, reply)), ToInt(row.status));
        EXPECT_EQ(reply.length, row.answer.size());
        if (!row.answer.empty()) {
            EXPECT_EQ(port.Written().size(), 1u) << "an answer is never asked for again";
        }
    }
}

TEST(Command, PayloadLimits) {
    ScriptedPort port;
    port.AnswerNextWrite(Answer({'P'}));
    RadioProtocol protocol(&port);
    Reply reply;
    EXPECT_EQ(protocol.PutContact(5, 1, Bytes(119, 0x41), reply), LinkStatus::Success);
    ASSERT_EQ(port.Written().size(), 1u);
    EXPECT_EQ(port.Written()[0].size(), 127u) << "the longest form that still goes";

    // One byte more does not: message compose, nothing sent.
    EXPECT_EQ(protocol.PutTextMessage(0, 1, Bytes(120, 0x41), reply), LinkStatus::MessageCompose);
    EXPECT_EQ(protocol.PutSettings(Bytes(122, 0x41), reply), LinkStatus::MessageCompose);
    EXPECT_EQ(port.Written().size(), 1u);
}

TEST(MapReplyStatus, EveryRow) {
    struct Row {
        const char* name;
        std::int32_t exchange;
        std::uint8_t frameType;
        Bytes data;
        std::int32_t status;
    };
    const Row rows[] = {
        {"exchange -1", -1, 0x41, {}, -1},
        {"exchange -2", -2, 0x41, {}, -13},
        {"exchange 0", 0, 0x41, {}, -2},
        {"0x8C, first byte 0", 1, 0x8C, {0}, -3},
        {"0x8C, first byte 1", 1, 0x8C, {1}, -6},
        {"0x8C, no data", 1, 0x8C, {}, -6},
        {"frame type 0x84", 2, 0x84, {'P', 0}, -6},
        {"Q FD", 3, 0x41, {'Q', 0, 0xFD}, -14},
        {"Q FE", 3, 0x41, {'Q', 0, 0xFE}, -11},
        {"Q 00", 3, 0x41, {'Q', 0, 0x00}, -8},
        {"Q without its code", 2, 0x41, {'Q', 0}, -8},
        {"S 1", 2, 0x41, {'S', 1}, -9},
        {"S 4", 2, 0x41, {'S', 4}, -10},
        {"S 2", 5, 0x41, {'S', 2, 'a', 'b', 0}, 5},
        {"S 2, size 1 never reads as success", 1, 0x41, {'S', 2}, -8},
        {"S 3", 2, 0x41, {'S', 3}, -8},
        {"S without its state", 1, 0x41, {'S'}, -8},
        {"another letter", 1, 0x41, {'Z'}, -7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ToInt(RadioProtocol::MapReplyStatus(row.exchange, row.frameType, row.data)),
                  row.status);
    }
}

TEST(AcceptVersion, Rows) {
    struct Row {
        const char* name;
        Bytes record;  // radio order: release, version, revision, cp structure/version/dev, phase
        bool accepted;
        std::uint8_t storedPhase;
    };
    const Row rows[] = {
        {"release phase, current", {0x5E, 5, 1, 3, 16, 5, 'R'}, true, 'R'},
        {"release phase, version 6", {0x5E, 6, 1, 3, 16, 5, 'R'}, false, 'R'},
        {"release phase, other release", {0x5F, 5, 1, 3, 16, 5, 'R'}, false, 'R'},
        {"development phase, any release", {0x01, 0xFF, 1, 3, 16, 5, 'D'}, true, 'D'},
        {"other phase, passing", {0x5E, 5, 1, 3, 16, 5, 'X'}, true, 'D'},
        {"other phase, version 6", {0x5E, 6, 1, 3, 16, 5, 'X'}, false, 'D'},
        {"version 0x80 is not negative", {0x5E, 0x80, 1, 3, 16, 5, 'R'}, false, 'R'},
        // A short record is refused and leaves the version as it was.
        {"six bytes", {0x5E, 5, 1, 3, 16, 5}, false, 0},
        {"empty", {}, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VersionInfo version;
        EXPECT_EQ(RadioProtocol::AcceptVersion(row.record, version), row.accepted);
        if (row.record.size() < 7) {
            EXPECT_EQ(version, VersionInfo{});
            continue;
        }
        const VersionInfo expected{.firmware_phase = row.storedPhase,
                                   .firmware_release = row.record[0],
                                   .firmware_version = row.record[1],
                                   .firmware_revision = row.record[2],
                                   .codeplug_structure = row.record[3],
                                   .codeplug_version = row.record[4],
                                   .codeplug_dev_version = row.record[5]};
        EXPECT_EQ(version, expected);
    }
}

}  // namespace
}  // namespace vex
