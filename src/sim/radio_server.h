#pragma once

// The serve loop of a virtual radio: takes the host's command frames off a line byte by byte,
// answers each through the VirtualRadio, and commits the faults it was given.
//
// Frames, both directions (L = n + 2: opcode, n payload bytes, checksum):
//
//   short (L <= 14):  F0+L  type  opcode  payload...  checksum
//   long:             FF    type  L(hi)  L(lo)  opcode  payload...  checksum
//
// The host sends type 9B; the radio answers 50 (the lead-in), then a frame of type 41 whose
// opcode byte is the reply's letter.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>

#include "codeplug/radio_forms.h"
#include "sim/faults.h"
#include "sim/radio_line.h"
#include "sim/virtual_radio.h"

namespace vex::sim {

// One command frame from the host.
struct HostFrame {
    std::uint8_t opcode = 0;
    Bytes payload;
    std::size_t wireLength = 0;  // bytes on the line, marker to checksum

    bool operator==(const HostFrame&) const = default;
};

// Assembles the host's frames from the bytes of the line as a radio does: bytes that cannot start
// a frame are skipped; a frame of another type than 9B, of an impossible length or with a wrong
// checksum is dropped without an answer.
class FrameParser {
  public:
    // The frame this byte completes, if any.
    std::optional<HostFrame> Push(std::uint8_t byte);
    // Forgets a frame begun (the host went quiet in the middle of it); it counts as dropped.
    void Reset() {
        if (InFrame()) Drop();
    }
    bool InFrame() const { return m_state != State::Marker; }
    // Frames begun and then dropped.
    std::uint64_t Dropped() const { return m_dropped; }

  private:
    enum class State { Marker, Type, LengthHigh, LengthLow, Opcode, Payload, Checksum };

    bool Start(std::uint8_t byte);
    void Drop();

    State m_state = State::Marker;
    bool m_long = false;
    std::size_t m_length = 0;  // L
    std::uint32_t m_sum = 0;
    HostFrame m_frame;
    std::uint64_t m_dropped = 0;
};

// The bytes of one reply on the line: the lead-in, `noise` bytes that cannot be a marker, and the
// frame. Types 80, 84 and 85 go as long frames with three status bytes. Empty when the reply has
// no data or too much for a frame.
Bytes ReplyBytes(const RadioReply& reply, std::uint8_t leadIn = 0x50, std::uint32_t noise = 0,
                 bool badChecksum = false);

// Line timing of a real radio at 9600 baud.
struct Pacing {
    bool enabled = false;
    std::chrono::microseconds byteTime{1042};  // 10 bits
    // After the host's frame would have finished arriving, before the answer starts.
    std::chrono::microseconds turnaround{2000};
};

struct RadioStats {
    std::array<std::uint64_t, 256> framesByOpcode{};  // frames received, answered or not
    std::uint64_t bytesIn = 0;
    std::uint64_t bytesOut = 0;
    std::uint64_t framesDropped = 0;  // begun, then dropped by the parser
    std::uint64_t replies = 0;

    std::uint64_t Frames(std::uint8_t opcode) const { return framesByOpcode[opcode]; }
    std::uint64_t Frames() const;
};

// Serves one VirtualRadio on one RadioLine. Serve runs on one thread; the other operations may be
// called from any thread at any time.
class RadioServer {
  public:
    RadioServer(VirtualRadio& radio, RadioLine& line) : m_radio(radio), m_line(line) {}

    void SetPacing(const Pacing& pacing);
    void AddFault(const Fault& fault);
    void ClearFaults();
    // Receives one line per frame (the command, its answer, the faults committed), on the serving
    // thread.
    void SetLog(std::function<void(std::string_view)> log);

    RadioStats Stats() const;

    // Serves frames until a stop is requested; looks at the stop token at least every 20 ms.
    void Serve(std::stop_token stop);

  private:
    void Answer(const HostFrame& frame, std::chrono::steady_clock::time_point frameStart);
    RadioReply Replacement(const Fault& fault, std::uint8_t opcode) const;

    VirtualRadio& m_radio;
    RadioLine& m_line;

    mutable std::mutex m_mutex;  // guards everything below
    Pacing m_pacing;
    FaultPlan m_faults;
    std::function<void(std::string_view)> m_log;
    RadioStats m_stats;
};

// Runs a RadioServer on a background thread.
class RadioThread {
  public:
    explicit RadioThread(RadioServer& server) : m_server(server) {}
    ~RadioThread() { Stop(); }

    RadioThread(const RadioThread&) = delete;
    RadioThread& operator=(const RadioThread&) = delete;

    // Starts serving; does nothing when already running.
    void Start();
    // Stops serving and joins the thread; does nothing when not running.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

  private:
    RadioServer& m_server;
    std::jthread m_thread;
};

}  // namespace vex::sim
