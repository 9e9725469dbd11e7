#pragma once

// A serial port with a script instead of a device, for driving the radio protocol in tests.
//
// The line is a queue of bytes and silences. An exact Read takes bytes until it has what it asked
// for; when it meets a silence first it gives what it has (0, or a short read) and uses the silence
// up, as a real read that timed out would. Replies can also wait for a write: AnswerNextWrite
// queues bytes that arrive on the line when the next successful write happens, so a purge before
// the write does not throw them away. Nothing ever sleeps.
//
// Every call that changes the line is logged ("purge 12", "write F2 9B 25 4D", "write failed",
// "clear"), so that tests can check the order of purge, write and error clearing.

#include <cstdint>
#include <cstdio>
#include <deque>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace vex::test {

using Bytes = std::vector<std::uint8_t>;

// One item on the scripted line: a byte value 0..255, or kSilence.
inline constexpr int kSilence = -1;
using Line = std::vector<int>;

inline std::string Hex(const std::uint8_t* bytes, std::size_t n) {
    std::string out;
    char cell[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", bytes[i]);
        out += cell;
    }
    return out;
}

inline std::string Hex(const Bytes& bytes) {
    return Hex(bytes.data(), bytes.size());
}

class ScriptedPort : public SerialPort {
  public:
    ScriptedPort() = default;

    // Bytes (and silences) on the line now.
    void Feed(const Line& items) { m_input.insert(m_input.end(), items.begin(), items.end()); }
    void Feed(const Bytes& bytes) { m_input.insert(m_input.end(), bytes.begin(), bytes.end()); }

    // What the other end sends after the next successful write; one call per write, in order.
    void AnswerNextWrite(const Line& items) { m_answers.push_back(items); }
    void AnswerNextWrite(const Bytes& bytes) { m_answers.emplace_back(bytes.begin(), bytes.end()); }

    // The n-th call of Write (counting from 1) fails with -1 and delivers nothing.
    void FailWrite(int n) { m_failingWrites.insert(n); }

    // A line that echoes every written byte before the answer.
    void SetEcho(bool echo) { m_echo = echo; }
    void SetOpen(bool open) { m_open = open; }
    void SetLastError(std::uint32_t error) { m_lastError = error; }

    const std::vector<std::string>& Log() const { return m_log; }
    const std::vector<Bytes>& Written() const { return m_written; }
    int ReadCalls() const { return m_readCalls; }
    std::size_t Pending() const { return m_input.size(); }

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count, bool exact) override {
        ++m_readCalls;
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
    int m_readCalls = 0;
    int m_writeCalls = 0;
    bool m_echo = false;
    bool m_open = true;
};

}  // namespace vex::test
