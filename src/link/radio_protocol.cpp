#include "link/radio_protocol.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "codeplug/radio_forms.h"

namespace vex {

namespace {

inline constexpr std::uint8_t kShortMarkerBase = 0xF0;
inline constexpr std::uint8_t kLongMarker = 0xFF;
// L counts the opcode and the checksum besides the payload.
inline constexpr std::size_t kLengthOverhead = 2;
inline constexpr std::size_t kMaxShortLength = 14;  // a nibble of 0xF would be the long marker
inline constexpr std::size_t kStatusBytes = 3;
// Noise between the lead-in and the marker is skipped, but a line that never stops chattering must
// not hold the worker forever: past this many skipped bytes the reply counts as not come.
inline constexpr std::size_t kMaxSkippedBytes = 256;
inline constexpr std::size_t kEchoBufferSize = 256;

inline constexpr std::uint8_t kFirmwareRelease = 0x5E;
inline constexpr std::uint8_t kMaxFirmwareVersion = 5;
inline constexpr std::uint8_t kPhaseRelease = 'R';
inline constexpr std::uint8_t kPhaseDevelopment = 'D';

std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
    return static_cast<std::uint8_t>(0xFF - sum);
}

bool CarriesStatus(std::uint8_t frameType) {
    return frameType == frame_type::kStatus80 || frameType == frame_type::kStatus84 ||
           frameType == frame_type::kStatus85;
}

enum class RxState {
    LeadIn,
    Marker,
    LongType,
    ShortType,
    LengthHigh,
    LengthLow,
    Status1,
    Status2,
    Status3,
    Data,
    Checksum,
};

}  // namespace

RadioProtocol::RadioProtocol(SerialPort* port) : m_port(port) {}

RadioProtocol::~RadioProtocol() = default;

std::size_t RadioProtocol::BuildFrame(std::uint8_t type, std::uint8_t opcode,
                                      std::span<const std::uint8_t> payload,
                                      std::span<std::uint8_t, kFrameBufferSize> out) {
    if (payload.size() > kMaxPayload) return 0;
    const std::size_t length = payload.size() + kLengthOverhead;
    std::size_t at = 0;
    if (length <= kMaxShortLength) {
        out[at++] = static_cast<std::uint8_t>(kShortMarkerBase + length);
        out[at++] = type;
    } else {
        out[at++] = kLongMarker;
        out[at++] = type;
        out[at++] = static_cast<std::uint8_t>(length >> 8);
        out[at++] = static_cast<std::uint8_t>(length & 0xFF);
    }
    out[at++] = opcode;
    std::copy(payload.begin(), payload.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
    at += payload.size();
    out[at] = Checksum(out.first(at));
    return at + 1;
}

std::int32_t RadioProtocol::ReadExact(std::uint8_t* buffer, std::uint32_t n) {
    return ReadExactTries(buffer, n, m_retries);
}

std::int32_t RadioProtocol::ReadExactTries(std::uint8_t* buffer, std::uint32_t n,
                                           std::int32_t attempts) {
    if (m_port == nullptr || buffer == nullptr) return -1;
    if (n > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) return -1;
    const auto wanted = static_cast<std::int32_t>(n);
    for (std::int32_t attempt = 0; attempt < attempts; ++attempt) {
        if (m_port->Read(buffer, n, true) == wanted) return wanted;
    }
    return -1;
}

std::int32_t RadioProtocol::SendFrame(const std::uint8_t* frame, std::size_t length) {
    if (m_port == nullptr || frame == nullptr) return -1;
    if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return -1;
    const auto count = static_cast<std::uint32_t>(length);
    for (std::int32_t attempt = 0; attempt < m_retries; ++attempt) {
        // The count the port reports is deliberately not compared with the length: a long frame
        // at 9600 baud outlasts the port's write limit, and the port may then report fewer bytes
        // though the rest still goes out. Only a failed write is tried again.
        if (m_port->Write(frame, count) < 0) continue;
        if (!m_echoCheck) return static_cast<std::int32_t>(count);
        std::array<std::uint8_t, kEchoBufferSize> echo{};
        if (length <= echo.size() &&
            ReadExact(echo.data(), count) == static_cast<std::int32_t>(count)) {
            return static_cast<std::int32_t>(count);
        }
    }
    return -1;
}

// One reply, a byte at a time:
//
//   P  [noise...]  F0+L type data... sum
//   P  [noise...]  FF type L(hi) L(lo) [s2 s1 s0 if type 80/84/85] data... sum
//
// The lead-in and the bytes up to the frame type get m_leadInAttempts reads each (the radio may
// still be thinking); once a byte was skipped or the type came, the frame is under way and every
// byte gets m_retries. A length that cannot describe a reply fitting the caller's buffer ends the
// reception at once with 0: the rest of that frame is purged before the next exchange.
std::int32_t RadioProtocol::ReceiveFrame(std::uint32_t& status, std::uint8_t& frameType,
                                         std::span<std::uint8_t, kReplyDataSize> data) {
    status = 0;
    RxState state = RxState::LeadIn;
    bool underWay = false;
    std::uint8_t sum = 0;
    std::int32_t remaining = 0;  // L, counted down
    std::size_t stored = 0;
    std::size_t skipped = 0;

    while (true) {
        std::uint8_t b = 0;
        if (ReadExactTries(&b, 1, underWay ? m_retries : m_leadInAttempts) != 1) return 0;

        switch (state) {
            case RxState::LeadIn:
                if (b != kLeadIn) return 0;
                state = RxState::Marker;
                break;

            case RxState::Marker:
                if (b == kLongMarker) {
                    sum = b;
                    state = RxState::LongType;
                } else if (b >= kShortMarkerBase) {
                    sum = b;
                    remaining = b & 0x0F;
                    state = RxState::ShortType;
                } else {
                    underWay = true;
                    if (++skipped > kMaxSkippedBytes) return 0;
                }
                break;

            case RxState::LongType:
                sum = static_cast<std::uint8_t>(sum + b);
                frameType = b;
                underWay = true;
                state = RxState::LengthHigh;
                break;

            case RxState::ShortType:
                sum = static_cast<std::uint8_t>(sum + b);
                frameType = b;
                underWay = true;
                // A short length of 0 or 1 leaves no room for the opcode and the checksum.
                if (remaining < static_cast<std::int32_t>(kLengthOverhead)) return 0;
                state = RxState::Data;
                break;

            case RxState::LengthHigh:
                sum = static_cast<std::uint8_t>(sum + b);
                remaining = b * 256;
                state = RxState::LengthLow;
                break;

            case RxState::LengthLow: {
                sum = static_cast<std::uint8_t>(sum + b);
                remaining += b;
                if (remaining == 0) {
                    state = RxState::Checksum;
                    break;
                }
                // What stays after the status bytes (if any) must be data of 1 to 121 bytes plus
                // the checksum; anything else could never reach the checksum or would overrun.
                const bool hasStatus = CarriesStatus(frameType);
                const auto overhead =
                    static_cast<std::int32_t>(hasStatus ? kStatusBytes + 1 : std::size_t{1});
                const std::int32_t dataBytes = remaining - overhead;
                const bool fits = hasStatus ? dataBytes >= 0 : dataBytes >= 1;
                if (!fits || dataBytes > static_cast<std::int32_t>(kReplyDataSize)) return 0;
                state = hasStatus ? RxState::Status1 : RxState::Data;
                break;
            }

            case RxState::Status1:
                sum = static_cast<std::uint8_t>(sum + b);
                status |= static_cast<std::uint32_t>(b) << 16;
                --remaining;
                state = RxState::Status2;
                break;

            case RxState::Status2:
                sum = static_cast<std::uint8_t>(sum + b);
                status |= static_cast<std::uint32_t>(b) << 8;
                --remaining;
                state = RxState::Status3;
                break;

            case RxState::Status3:
                sum = static_cast<std::uint8_t>(sum + b);
                status |= b;
                --remaining;
                state = remaining == 1 ? RxState::Checksum : RxState::Data;
                break;

            case RxState::Data:
                sum = static_cast<std::uint8_t>(sum + b);
                if (stored >= data.size()) return 0;  // unreachable after the length checks
                data[stored++] = b;
                --remaining;
                if (remaining == 1) state = RxState::Checksum;
                break;

            case RxState::Checksum:
                if (b != static_cast<std::uint8_t>(0xFF - sum)) return -1;
                return static_cast<std::int32_t>(stored);
        }
    }
}

std::int32_t RadioProtocol::Transact(const std::uint8_t* frame, std::size_t length,
                                     std::uint8_t& frameType,
                                     std::span<std::uint8_t, kReplyDataSize> data) {
    if (frame == nullptr || length == 0) return -2;
    if (m_port == nullptr || !m_port->IsOpen() || m_port->LastError() != 0) return -1;

    std::int32_t result = 0;
    std::uint32_t status = 0;  // the reply's status word is of no use to anyone above
    for (std::int32_t exchange = 0; exchange < m_retries && result <= 0; ++exchange) {
        // Whatever is left of an earlier, failed reply must not be taken for this one's start.
        m_port->Purge(purge::kClearOutput | purge::kClearInput);
        if (SendFrame(frame, length) < 0) {
            result = -1;
        } else {
            result = ReceiveFrame(status, frameType, data);
        }
    }
    m_port->ClearErrors();
    return result;
}

// host:  F? 9B <opcode> <payload> sum
// radio: P  F? 41 <letter> <record> sum        (or a Q/S answer, or another frame type)
LinkStatus RadioProtocol::Command(std::uint8_t opcodeByte, std::span<const std::uint8_t> payload,
                                  std::uint8_t expectedLetter, Reply& reply) {
    reply = Reply{};
    std::array<std::uint8_t, kFrameBufferSize> frame{};
    const std::size_t length = BuildFrame(frame_type::kCommand, opcodeByte, payload, frame);
    const std::int32_t exchange = Transact(frame.data(), length, reply.frameType, reply.data);
    reply.length = exchange > 0 ? static_cast<std::uint8_t>(exchange) : std::uint8_t{0};
    if (exchange >= 1 && reply.frameType == frame_type::kAnswer &&
        reply.data[0] == expectedLetter) {
        return LinkStatus::Success;
    }
    return MapReplyStatus(exchange, reply.frameType, reply.Data());
}

LinkStatus RadioProtocol::PayloadCommand(std::uint8_t opcodeByte, std::uint8_t index,
                                         std::uint8_t count, std::span<const std::uint8_t> form,
                                         Reply& reply) {
    std::vector<std::uint8_t> payload;
    payload.reserve(form.size() + 2);
    payload.push_back(index);
    payload.push_back(count);
    payload.insert(payload.end(), form.begin(), form.end());
    return Command(opcodeByte, payload, reply_letter::kDone, reply);
}

LinkStatus RadioProtocol::GetVersion(Reply& reply) {
    return Command(opcode::kGetVersion, {}, reply_letter::kVersion, reply);
}

LinkStatus RadioProtocol::ConfirmLink(Reply& reply) {
    return Command(opcode::kConfirmLink, {}, reply_letter::kDone, reply);
}

LinkStatus RadioProtocol::GetLimits(Reply& reply) {
    return Command(opcode::kGetLimits, {}, reply_letter::kLimits, reply);
}

LinkStatus RadioProtocol::GetSettings(Reply& reply) {
    return Command(opcode::kGetSettings, {}, reply_letter::kSettings, reply);
}

LinkStatus RadioProtocol::PutSettings(std::span<const std::uint8_t> settingsForm, Reply& reply) {
    return Command(opcode::kPutSettings, settingsForm, reply_letter::kDone, reply);
}

LinkStatus RadioProtocol::GetContact(std::uint8_t index, std::uint8_t count, Reply& reply) {
    const std::array<std::uint8_t, 2> payload{index, count};
    return Command(opcode::kGetContact, payload, reply_letter::kContact, reply);
}

LinkStatus RadioProtocol::PutContact(std::uint8_t index, std::uint8_t count,
                                     std::span<const std::uint8_t> contactForm, Reply& reply) {
    return PayloadCommand(opcode::kPutContact, index, count, contactForm, reply);
}

LinkStatus RadioProtocol::GetTextMessage(std::uint8_t index, std::uint8_t count, Reply& reply) {
    const std::array<std::uint8_t, 2> payload{index, count};
    return Command(opcode::kGetTextMessage, payload, reply_letter::kText, reply);
}

LinkStatus RadioProtocol::PutTextMessage(std::uint8_t index, std::uint8_t count,
                                         std::span<const std::uint8_t> textForm, Reply& reply) {
    return PayloadCommand(opcode::kPutTextMessage, index, count, textForm, reply);
}

LinkStatus RadioProtocol::EndWrite(Reply& reply) {
    return Command(opcode::kEndWrite, {}, reply_letter::kDone, reply);
}

LinkStatus RadioProtocol::ResetRadio(Reply& reply) {
    return Command(opcode::kResetRadio, {}, reply_letter::kDone, reply);
}

LinkStatus RadioProtocol::StartPidCapture(Reply& reply) {
    return Command(opcode::kStartPidCapture, {}, reply_letter::kState, reply);
}

LinkStatus RadioProtocol::PollPid(Reply& reply) {
    const LinkStatus status = Command(opcode::kPollPid, {}, reply_letter::kState, reply);
    if (status != LinkStatus::Success) return status;
    // 'S' alone is not enough here: only state 2 carries the private ID.
    if (reply.length >= 2 && reply.data[1] == pid_state::kCaptured) return LinkStatus::Success;
    return MapReplyStatus(reply.length, reply.frameType, reply.Data());
}

LinkStatus RadioProtocol::MapReplyStatus(std::int32_t exchange, std::uint8_t frameType,
                                         std::span<const std::uint8_t> data) {
    if (exchange == -2) return LinkStatus::MessageCompose;
    if (exchange == 0) return LinkStatus::NoConnection;
    if (exchange < 0) return LinkStatus::PortUnavailable;

    // A reply too short for the byte that decides counts as an unknown code, never as a read
    // past the data.
    const auto byteAt = [&data](std::size_t i) -> int { return i < data.size() ? data[i] : -1; };

    if (frameType == frame_type::kRejected) {
        return byteAt(0) == 0 ? LinkStatus::EarlierFirmware : LinkStatus::InvalidOpcode;
    }
    if (frameType != frame_type::kAnswer) return LinkStatus::InvalidOpcode;

    switch (byteAt(0)) {
        case reply_letter::kQuery:
            switch (byteAt(2)) {
                case 0xFD:
                    return LinkStatus::ResetOrWriteFirst;
                case 0xFE:
                    return LinkStatus::RadioBusy;
                default:
                    return LinkStatus::OperationFailed;
            }
        case reply_letter::kState:
            switch (byteAt(1)) {
                case pid_state::kCapturing:
                    return LinkStatus::TimedOut;
                case pid_state::kUnsupported:
                    return LinkStatus::OperationUnsupported;
                case pid_state::kCaptured:
                    // Not an error of its own: the caller sees the reply's size, a positive
                    // code other than Success. A size of 1 cannot hold the state it claims, and
                    // must never read as Success.
                    return exchange >= 2 ? ToLinkStatus(exchange) : LinkStatus::OperationFailed;
                default:
                    return LinkStatus::OperationFailed;
            }
        default:
            return LinkStatus::UnsupportedCommand;
    }
}

bool RadioProtocol::AcceptVersion(std::span<const std::uint8_t> record, VersionInfo& version) {
    VersionInfo received;
    if (!DecodeVersionInfo(record, received)) return false;
    const bool ok = received.firmware_release == kFirmwareRelease &&
                    received.firmware_version <= kMaxFirmwareVersion;
    bool accepted = ok;
    if (received.firmware_phase == kPhaseDevelopment) {
        accepted = true;
    } else if (received.firmware_phase != kPhaseRelease) {
        received.firmware_phase = kPhaseDevelopment;
    }
    version = received;
    return accepted;
}

}  // namespace vex
