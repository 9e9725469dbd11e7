#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "codeplug/virtual_cp.h"
#include "link/link_status.h"
#include "link/serial_port.h"

namespace vex {

// Frames on the wire, both directions. L = n + 2 (opcode, n payload bytes, checksum).
//
//   short frame (L <= 14, payload 0..12):   F0+L  type  opcode  payload...  checksum
//   long frame  (14 < L <= 123, 13..121):   FF    type  L(hi)  L(lo)  opcode  payload...  checksum
//
// The checksum is 0xFF minus the low 8 bits of the sum of every byte before it, marker included.
// Every reply is preceded by one lead-in byte 0x50 ('P'); bytes between the lead-in and the marker
// that cannot be a marker are noise and skipped. A long reply of type 0x80, 0x84 or 0x85 with L !=
// 0 carries three status bytes after the length, counted in L and not part of the data.
inline constexpr std::size_t kMaxPayload = 121;
inline constexpr std::size_t kFrameBufferSize = 128;
inline constexpr std::size_t kReplyDataSize = 121;  // opcode byte + payload of a reply
inline constexpr std::uint8_t kLeadIn = 0x50;

namespace frame_type {
inline constexpr std::uint8_t kCommand = 0x9B;   // everything the host sends
inline constexpr std::uint8_t kAnswer = 0x41;    // the radio's answer
inline constexpr std::uint8_t kRejected = 0x8C;  // first data byte 0: earlier firmware
inline constexpr std::uint8_t kStatus80 = 0x80;  // these three carry status bytes
inline constexpr std::uint8_t kStatus84 = 0x84;
inline constexpr std::uint8_t kStatus85 = 0x85;
}  // namespace frame_type

namespace opcode {
inline constexpr std::uint8_t kGetVersion = 0x25;
inline constexpr std::uint8_t kConfirmLink = 0x26;
inline constexpr std::uint8_t kGetLimits = 0x27;
inline constexpr std::uint8_t kGetSettings = 0x28;
inline constexpr std::uint8_t kPutSettings = 0x29;
inline constexpr std::uint8_t kGetContact = 0x30;
inline constexpr std::uint8_t kPutContact = 0x31;
inline constexpr std::uint8_t kGetTextMessage = 0x32;
inline constexpr std::uint8_t kPutTextMessage = 0x33;
inline constexpr std::uint8_t kEndWrite = 0x36;
inline constexpr std::uint8_t kResetRadio = 0x37;
inline constexpr std::uint8_t kStartPidCapture = 0x38;
inline constexpr std::uint8_t kPollPid = 0x39;
}  // namespace opcode

// The first data byte of an answer (frame type 0x41).
namespace reply_letter {
inline constexpr std::uint8_t kVersion = 'E';
inline constexpr std::uint8_t kDone = 'P';
inline constexpr std::uint8_t kLimits = 'F';
inline constexpr std::uint8_t kSettings = 'G';
inline constexpr std::uint8_t kContact = 'H';
inline constexpr std::uint8_t kText = 'I';
inline constexpr std::uint8_t kState = 'S';
inline constexpr std::uint8_t kQuery = 'Q';
}  // namespace reply_letter

// States of an 'S' reply (second data byte).
namespace pid_state {
inline constexpr std::uint8_t kCapturing = 1;  // to StartPidCapture: started; to PollPid: not yet
inline constexpr std::uint8_t kCaptured = 2;
inline constexpr std::uint8_t kUnsupported = 4;
}  // namespace pid_state

// A reply as a command hands it to its caller: the frame type and the data (the reply's opcode
// byte, i.e. its letter, followed by its payload).
struct Reply {
    std::uint8_t frameType = 0;
    std::uint8_t length = 0;  // number of valid bytes in data
    std::array<std::uint8_t, kReplyDataSize> data{};

    std::span<const std::uint8_t> Data() const { return {data.data(), length}; }
};

// Builds command frames, sends them through a SerialPort, receives the reply byte by byte and
// repeats an exchange that brought no valid reply. One per radio operation; used by the worker
// thread only. Never throws.
class RadioProtocol {
  public:
    // The port is not owned; null means there is no port (every exchange gives -1).
    explicit RadioProtocol(SerialPort* port);
    virtual ~RadioProtocol();

    // Exchanges tried per command, write attempts per frame, read attempts per byte once a frame
    // has begun.
    std::int32_t m_retries = 3;
    // Read attempts per byte while waiting for the lead-in and the start of the frame.
    std::int32_t m_leadInAttempts = 3;
    // When set, every write is followed by reading back as many bytes (for lines that echo).
    bool m_echoCheck = false;

    // The frame for (type, opcode, payload) in out; its length, or 0 when the payload is over 121
    // bytes (nothing is built).
    static std::size_t BuildFrame(std::uint8_t type, std::uint8_t opcode,
                                  std::span<const std::uint8_t> payload,
                                  std::span<std::uint8_t, kFrameBufferSize> out);

    // Up to m_retries exact port reads of n bytes into the start of buffer (the receiver uses
    // its own attempt count per byte); n, or -1 when none delivered n bytes or there is no port.
    std::int32_t ReadExact(std::uint8_t* buffer, std::uint32_t n);

    // Up to m_retries writes of the frame; length, or -1. Only a failed (negative) write is tried
    // again; with m_echoCheck, so is a write whose echo did not come back in full.
    std::int32_t SendFrame(const std::uint8_t* frame, std::size_t length);

    // Receives one reply: the number of data bytes stored (1 or more), 0 when a byte did not come
    // in time, the lead-in was wrong or the frame cannot be a reply (a short length of 0 or 1, data
    // that would not fit 121 bytes), -1 when the checksum did not match. Never stores past data.
    std::int32_t ReceiveFrame(std::uint32_t& status, std::uint8_t& frameType,
                              std::span<std::uint8_t, kReplyDataSize> data);

    // One command exchange with retries: the number of data bytes of the reply, 0 (no valid reply
    // after all exchanges), -1 (no usable port, the send failed, or the last reply failed its
    // checksum), -2 (length 0: no frame to send).
    std::int32_t Transact(const std::uint8_t* frame, std::size_t length, std::uint8_t& frameType,
                          std::span<std::uint8_t, kReplyDataSize> data);

    // The thirteen commands. Each sends one frame of type 0x9B and succeeds (Success, with the
    // reply in `reply`) when the answer is of type 0x41 with the expected letter; otherwise it
    // gives MapReplyStatus of the exchange.
    LinkStatus GetVersion(Reply& reply);   // 'E' + 7 version bytes, phase last
    LinkStatus ConfirmLink(Reply& reply);  // 'P'
    LinkStatus GetLimits(Reply& reply);    // 'F' + limits form
    LinkStatus GetSettings(Reply& reply);  // 'G' + settings form
    LinkStatus PutSettings(std::span<const std::uint8_t> settingsForm, Reply& reply);  // 'P'
    LinkStatus GetContact(std::uint8_t index, std::uint8_t count, Reply& reply);  // 'H' i n form
    LinkStatus PutContact(std::uint8_t index, std::uint8_t count,
                          std::span<const std::uint8_t> contactForm, Reply& reply);  // 'P'
    LinkStatus GetTextMessage(std::uint8_t index, std::uint8_t count,
                              Reply& reply);  // 'I' i n text
    LinkStatus PutTextMessage(std::uint8_t index, std::uint8_t count,
                              std::span<const std::uint8_t> textForm, Reply& reply);  // 'P'
    LinkStatus EndWrite(Reply& reply);                                                // 'P'
    LinkStatus ResetRadio(Reply& reply);                                              // 'P'
    LinkStatus StartPidCapture(Reply& reply);                                         // 'S' state
    LinkStatus PollPid(Reply& reply);  // 'S' 2 pid\0 (state must be 2)

    // The status of an exchange whose reply was not the expected one. exchange is Transact's
    // result; data the reply's data (its length is exchange when positive).
    static LinkStatus MapReplyStatus(std::int32_t exchange, std::uint8_t frameType,
                                     std::span<const std::uint8_t> data);

    // The acceptance test of a radio's version record (7 bytes in radio order, phase last): phase
    // 'R' needs release 0x5E and version <= 5; 'D' is always accepted; any other phase is set to
    // 'D' and needs the same as 'R'. Fills `version` (with the phase the test leaves) whether
    // accepted or not; a record shorter than 7 bytes is refused and leaves `version` as it was.
    static bool AcceptVersion(std::span<const std::uint8_t> record, VersionInfo& version);

  private:
    std::int32_t ReadExactTries(std::uint8_t* buffer, std::uint32_t n, std::int32_t attempts);

    LinkStatus Command(std::uint8_t opcode, std::span<const std::uint8_t> payload,
                       std::uint8_t expectedLetter, Reply& reply);
    // Index, count and the form as one payload; success is 'P'.
    LinkStatus PayloadCommand(std::uint8_t opcode, std::uint8_t index, std::uint8_t count,
                              std::span<const std::uint8_t> form, Reply& reply);

    SerialPort* m_port;
};

}  // namespace vex
