#pragma once

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_port.h"

namespace vex::cli {

// A port that passes everything to another port and writes each byte sent and received to a trace
// file: one line per frame, "<seconds since start> <direction> <hex bytes>", where ">" is host to
// radio and "<" radio to host. Received bytes are gathered until the next write, purge or close.
class TracingPort : public SerialPort {
  public:
    TracingPort(std::unique_ptr<SerialPort> inner, std::FILE* trace);
    ~TracingPort() override;

    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count, bool exact) override;
    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count) override;
    bool Purge(std::uint32_t flags) override;
    bool ClearErrors(std::uint32_t* queueStatus, std::uint32_t* errorMask) override;
    bool Close() override;
    bool IsOpen() const override { return m_inner->IsOpen(); }

  private:
    void Line(char direction, const std::uint8_t* bytes, std::size_t count);
    void FlushReceived();
    void Sync() { m_lastError = m_inner->LastError(); }

    std::unique_ptr<SerialPort> m_inner;
    std::FILE* m_trace;
    std::chrono::steady_clock::time_point m_start;
    std::vector<std::uint8_t> m_received;
    std::chrono::steady_clock::time_point m_receivedAt;
};

}  // namespace vex::cli
