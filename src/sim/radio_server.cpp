#include "sim/radio_server.h"

#include <cstdio>
#include <numeric>
#include <utility>

#include "link/radio_protocol.h"

namespace vex::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kLongMarker = 0xFF;
constexpr std::size_t kMaxFrameLength = kMaxPayload + 2;  // L
// How often the serve loop looks at its stop token.
constexpr std::chrono::milliseconds kPollInterval{20};
// A frame whose next byte is this late is given up: the host has stopped sending it.
constexpr std::chrono::milliseconds kFrameGap{100};

// Bytes between the lead-in and the marker that no receiver may take for a marker (0xFF and
// 0xF0..0xFE would be); the lead-in and the command type among them, to catch a receiver that
// starts over on them.
constexpr std::array<std::uint8_t, 7> kNoise{0x00, 0x55, 0xAA, 0x50, 0x9B, 0x13, 0xEF};

bool CarriesStatusBytes(std::uint8_t type) {
    return type == frame_type::kStatus80 || type == frame_type::kStatus84 ||
           type == frame_type::kStatus85;
}

std::string Hex(std::span<const std::uint8_t> bytes, std::size_t max) {
    std::string text;
    char buffer[4];
    for (std::size_t i = 0; i < bytes.size() && i < max; ++i) {
        std::snprintf(buffer, sizeof buffer, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += buffer;
    }
    if (bytes.size() > max) text += " ...";
    return text;
}

std::string CommandText(std::uint8_t code) {
    const std::string_view name = CommandName(code);
    if (!name.empty()) return std::string(name);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "opcode %02X", code);
    return buffer;
}

std::string ReplyText(const RadioReply& reply) {
    if (reply.data.empty()) return "nothing";
    std::string text;
    char buffer[32];
    if (reply.frameType != frame_type::kAnswer) {
        std::snprintf(buffer, sizeof buffer, "type %02X ", reply.frameType);
        text += buffer;
    }
    const std::uint8_t letter = reply.data[0];
    if (letter >= 0x20 && letter < 0x7F) {
        text += '\'';
        text += static_cast<char>(letter);
        text += '\'';
    } else {
        std::snprintf(buffer, sizeof buffer, "%02X", letter);
        text += buffer;
    }
    if (reply.data.size() > 1) {
        text += ' ';
        text += Hex(std::span(reply.data).subspan(1), 3);
        std::snprintf(buffer, sizeof buffer, " (%zu bytes)", reply.data.size());
        text += buffer;
    }
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Frames from the host

bool FrameParser::Start(std::uint8_t byte) {
    if (byte == kLongMarker) {
        m_long = true;
        m_length = 0;
    } else if (byte >= 0xF2 && byte <= 0xFE) {
        m_long = false;
        m_length = byte & 0x0Fu;
    } else {
        return false;  // not a marker: skipped
    }
    m_sum = byte;
    m_frame = HostFrame{};
    m_state = State::Type;
    return true;
}

void FrameParser::Drop() {
    ++m_dropped;
    m_state = State::Marker;
}

std::optional<HostFrame> FrameParser::Push(std::uint8_t byte) {
    switch (m_state) {
        case State::Marker:
            Start(byte);
            return std::nullopt;
        case State::Type:
            if (byte != frame_type::kCommand) {
                Drop();
                Start(byte);  // what looked like a frame was noise; this byte may begin one
                return std::nullopt;
            }
            m_state = m_long ? State::LengthHigh : State::Opcode;
            break;
        case State::LengthHigh:
            m_length = std::size_t{byte} << 8;
            m_state = State::LengthLow;
            break;
        case State::LengthLow:
            m_length += byte;
            if (m_length < 2 || m_length > kMaxFrameLength) {
                Drop();
                return std::nullopt;
            }
            m_state = State::Opcode;
            break;
        case State::Opcode:
            m_frame.opcode = byte;
            m_state = m_length > 2 ? State::Payload : State::Checksum;
            break;
        case State::Payload:
            m_frame.payload.push_back(byte);
            if (m_frame.payload.size() == m_length - 2) m_state = State::Checksum;
            break;
        case State::Checksum:
            if (byte != 0xFF - (m_sum & 0xFFu)) {
                Drop();
                return std::nullopt;
            }
            m_state = State::Marker;
            m_frame.wireLength = (m_long ? 4 : 2) + m_length;
            return std::move(m_frame);
    }
    m_sum += byte;
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Replies

Bytes ReplyBytes(const RadioReply& reply, std::uint8_t leadIn, std::uint32_t noise,
                 bool badChecksum) {
    if (reply.data.empty()) return {};
    Bytes wire{leadIn};
    for (std::uint32_t i = 0; i < noise; ++i) wire.push_back(kNoise[i % kNoise.size()]);
    const std::size_t frameStart = wire.size();

    if (CarriesStatusBytes(reply.frameType)) {
        //   FF  type  L(hi)  L(lo)  status(3)  data...  checksum     L = 3 + data + 1
        const std::size_t length = reply.data.size() + 4;
        if (length > 0xFFFF) return {};
        wire.insert(wire.end(),
                    {kLongMarker, reply.frameType, static_cast<std::uint8_t>(length >> 8),
                     static_cast<std::uint8_t>(length & 0xFF), 0x00, 0x00, 0x00});
        wire.insert(wire.end(), reply.data.begin(), reply.data.end());
        const auto sum =
            std::accumulate(wire.begin() + static_cast<std::ptrdiff_t>(frameStart), wire.end(), 0u);
        wire.push_back(static_cast<std::uint8_t>(0xFF - (sum & 0xFF)));
    } else {
        std::array<std::uint8_t, kFrameBufferSize> frame{};
        const std::size_t length = RadioProtocol::BuildFrame(
            reply.frameType, reply.data[0], std::span(reply.data).subspan(1), frame);
        if (length == 0) return {};
        wire.insert(wire.end(), frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length));
    }
    if (badChecksum) wire.back() ^= 0x5A;
    return wire;
}

std::uint64_t RadioStats::Frames() const {
    return std::accumulate(framesByOpcode.begin(), framesByOpcode.end(), std::uint64_t{0});
}

// ---------------------------------------------------------------------------------------------
// Serving

void RadioServer::SetPacing(const Pacing& pacing) {
    std::lock_guard lock(m_mutex);
    m_pacing = pacing;
}

void RadioServer::AddFault(const Fault& fault) {
    std::lock_guard lock(m_mutex);
    m_faults.Add(fault);
}

void RadioServer::ClearFaults() {
    std::lock_guard lock(m_mutex);
    m_faults.Clear();
}

void RadioServer::SetLog(std::function<void(std::string_view)> log) {
    std::lock_guard lock(m_mutex);
    m_log = std::move(log);
}

RadioStats RadioServer::Stats() const {
    std::lock_guard lock(m_mutex);
    return m_stats;
}

void RadioServer::Serve(std::stop_token stop) {
    FrameParser parser;
    Clock::time_point frameStart = Clock::now();
    Clock::time_point lastByte = frameStart;
    while (!stop.stop_requested()) {
        const auto byte = m_line.ReadByte(kPollInterval);
        const auto now = Clock::now();
        if (!byte) {
            if (parser.InFrame() && now - lastByte > kFrameGap) parser.Reset();
            continue;
        }
        if (!parser.InFrame()) frameStart = now;
        lastByte = now;
        auto frame = parser.Push(*byte);
        {
            std::lock_guard lock(m_mutex);
            ++m_stats.bytesIn;
            m_stats.framesDropped = parser.Dropped();
        }
        if (frame) Answer(*frame, frameStart);
    }
}

RadioReply RadioServer::Replacement(const Fault& fault, std::uint8_t code) const {
    const auto value = static_cast<std::uint8_t>(fault.value);
    switch (fault.kind) {
        case FaultKind::Query:
            return RadioReply{frame_type::kAnswer, Bytes{reply_letter::kQuery, code, value}};
        case FaultKind::State:
            return RadioReply{frame_type::kAnswer, Bytes{reply_letter::kState, value}};
        default:  // Rejected
            return RadioReply{frame_type::kRejected, Bytes{value, code}};
    }
}

void RadioServer::Answer(const HostFrame& frame, Clock::time_point frameStart) {
    FrameFaults faults;
    Pacing pacing;
    std::function<void(std::string_view)> log;
    {
        std::lock_guard lock(m_mutex);
        ++m_stats.framesByOpcode[frame.opcode];
        faults = m_faults.Next(frame.opcode);
        pacing = m_pacing;
        log = m_log;
    }

    RadioReply reply;
    if (faults.hangUp) {
        m_line.HangUp();
    } else if (faults.silent) {
        // no answer
    } else if (faults.replacement) {
        reply = Replacement(*faults.replacement, frame.opcode);
    } else {
        reply = m_radio.Answer(frame.opcode, frame.payload);
        // The version record: 'E' release version ...
        if (faults.version && reply.data.size() >= 1 + kVersionFormLength &&
            reply.data[0] == reply_letter::kVersion) {
            reply.data[2] = *faults.version;
        }
        if (faults.compatibility && !reply.data.empty() && reply.data[0] == reply_letter::kLimits) {
            RadioLimits limits = m_radio.Image().m_limits;
            limits.clone_compatibility_version = *faults.compatibility;
            if (const auto form = EncodeRadioLimits(limits)) {
                reply.data.resize(1);
                reply.data.insert(reply.data.end(), form->begin(), form->end());
            }
        }
    }
    if (faults.frameType) reply.frameType = *faults.frameType;

    const Bytes wire =
        ReplyBytes(reply, faults.leadIn.value_or(kLeadIn), faults.noise, faults.badChecksum);
    // Counted before they go, so that whoever has the reply finds it counted.
    if (!wire.empty()) {
        std::lock_guard lock(m_mutex);
        m_stats.bytesOut += wire.size();
        ++m_stats.replies;
    }
    std::size_t sent = 0;
    if (!wire.empty()) {
        if (pacing.enabled) {
            // Answer no sooner than a real radio could: after the frame has come in at line
            // speed and the radio has turned round; then one byte per byte time.
            const auto start = frameStart + pacing.byteTime * frame.wireLength + pacing.turnaround;
            for (std::size_t k = 0; k < wire.size(); ++k) {
                std::this_thread::sleep_until(start + pacing.byteTime * k);
                if (!m_line.Write(std::span(wire).subspan(k, 1))) break;
                ++sent;
            }
        } else if (m_line.Write(wire)) {
            sent = wire.size();
        }
    }
    if (sent < wire.size()) {
        std::lock_guard lock(m_mutex);
        m_stats.bytesOut -= wire.size() - sent;
        if (sent == 0) --m_stats.replies;
    }

    if (log) {
        std::string line = CommandText(frame.opcode);
        if (!frame.payload.empty()) line += " [" + Hex(frame.payload, 4) + "]";
        line += " -> ";
        line += faults.hangUp ? "hang-up" : faults.silent ? "no answer" : ReplyText(reply);
        if (!faults.applied.empty()) {
            line += "  (fault";
            for (const std::string& applied : faults.applied) line += " " + applied;
            line += ")";
        }
        log(line);
    }
}

void RadioThread::Start() {
    if (m_thread.joinable()) return;
    m_thread = std::jthread([this](std::stop_token stop) { m_server.Serve(std::move(stop)); });
}

void RadioThread::Stop() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    m_thread.join();
}

}  // namespace vex::sim
