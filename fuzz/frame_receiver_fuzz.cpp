// The two frame receivers fed the same bytes one at a time: the host's (RadioProtocol::ReceiveFrame
// on a port that hands out one byte per read and then stays silent) and the virtual radio's
// (FrameParser::Push). Checks that no reply is stored past its buffer and that every frame the
// radio side completes has the length it came with.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "fuzz_support.h"
#include "link/radio_protocol.h"
#include "sim/radio_server.h"

namespace {

class ByteLine : public vex::SerialPort {
  public:
    ByteLine(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count, bool /*exact*/) override {
        if (count == 0 || m_at == m_size) return 0;
        buffer[0] = m_data[m_at++];
        return 1;
    }
    std::int32_t Write(const std::uint8_t*, std::uint32_t count) override {
        return static_cast<std::int32_t>(count);
    }
    bool Purge(std::uint32_t) override { return true; }
    bool ClearErrors(std::uint32_t* queueStatus, std::uint32_t* errorMask) override {
        if (queueStatus != nullptr) *queueStatus = static_cast<std::uint32_t>(m_size - m_at);
        if (errorMask != nullptr) *errorMask = 0;
        return true;
    }
    bool Close() override { return true; }
    bool IsOpen() const override { return true; }
    bool Done() const { return m_at == m_size; }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteLine line(data, size);
    vex::RadioProtocol protocol(&line);
    while (!line.Done()) {
        std::uint32_t status = 0;
        std::uint8_t frameType = 0;
        // Exactly 121 bytes on the heap: a store past them trips the address sanitizer.
        const auto buffer = std::make_unique<std::uint8_t[]>(vex::kReplyDataSize);
        const std::int32_t n = protocol.ReceiveFrame(
            status, frameType,
            std::span<std::uint8_t, vex::kReplyDataSize>(buffer.get(), vex::kReplyDataSize));
        VEX_FUZZ_CHECK(n >= -1 && n <= static_cast<std::int32_t>(vex::kReplyDataSize));
    }

    vex::sim::FrameParser parser;
    for (std::size_t i = 0; i < size; ++i) {
        if (auto frame = parser.Push(data[i])) {
            VEX_FUZZ_CHECK(frame->wireLength <= i + 1);
            VEX_FUZZ_CHECK(frame->payload.size() + 1 + 2 <= frame->wireLength);
        }
    }
    return 0;
}
