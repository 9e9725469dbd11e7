#pragma once

// The radio's side of every command: a VEX480 that holds a codeplug and answers the host's
// commands as the radio link expects, without a line. The serve loop (radio_server.h) feeds it the
// frames that arrive and sends what it answers.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codeplug/radio_forms.h"
#include "codeplug/virtual_cp.h"

namespace vex::sim {

// Failure codes of a 'Q' reply ('Q', the refused opcode, the code).
namespace query_code {
inline constexpr std::uint8_t kRefused = 0x00;     // malformed or impossible request
inline constexpr std::uint8_t kWriteFirst = 0xFD;  // host sees ResetOrWriteFirst
inline constexpr std::uint8_t kBusy = 0xFE;        // host sees RadioBusy
}  // namespace query_code

// The ID another radio "sends over the air" during a capture, unless told otherwise.
inline constexpr std::string_view kDefaultCapturedPid = "1006";

// One reply: its frame type and its data (the reply's opcode byte, i.e. its letter, then the
// payload). An empty data means no reply at all.
struct RadioReply {
    std::uint8_t frameType = 0x41;
    Bytes data;

    bool operator==(const RadioReply&) const = default;
};

// The command's name for logs and fault texts ("GetVersion"), or empty for an opcode the
// radio does not know.
std::string_view CommandName(std::uint8_t opcode);
// The opcode of a command name, compared without regard to case.
std::optional<std::uint8_t> OpcodeByName(std::string_view name);

// A virtual VEX480. How it numbers and stores what the host sends:
//
//   GetContact(next, count)   'H' i n <record>: i = max(next, 1), n = contacts in use, the i-th
//                             contact in use in slot order; 'H' 0 n when i > n ('H' 0 0: none)
//   PutContact(i, n) <record> stores slot i (1..n); the first PutContact after any other command
//                             empties the table first; (0, 0) without a record only empties it
//   GetTextMessage / PutTextMessage   the same with 'I' and the 25 text slots
//   PutSettings <form>        takes the settings
//   EndWrite                  ends a write: repairs group links, then calls the change hook
//   ResetRadio                default settings, no contacts, no texts (version, limits and the
//                             radio's own PID stay); then calls the change hook
//   StartPidCapture           'S' 1, and a capture begins
//   PollPid                   'S' 1 ("not yet") as often as the capture script says, then 'S' 2
//                             <pid> 0, which it repeats until the next capture
//
// A payload of the wrong size, an index out of range, a record that does not decode and a reply
// that would not fit one frame give 'Q' <opcode> kRefused. Thread-safe: one thread answers while
// others look at the codeplug.
class VirtualRadio {
  public:
    explicit VirtualRadio(VirtualCP image);

    // The reply to one command frame. Never throws, never reads past the payload.
    RadioReply Answer(std::uint8_t opcode, std::span<const std::uint8_t> payload);

    // A copy of the codeplug the radio holds now.
    VirtualCP Image() const;
    void SetImage(VirtualCP image);

    // The ID a capture reports and how many polls answer "not yet" before it (nullopt: every poll).
    void SetPidCapture(std::string pid, std::optional<std::uint32_t> notYetPolls);

    // Called with the radio's codeplug after a write ends and after a reset, on the answering
    // thread, outside the radio's lock (the hook may look at the radio).
    void SetChangeHook(std::function<void(const VirtualCP&)> hook);

  private:
    RadioReply AnswerLocked(std::uint8_t opcode, std::span<const std::uint8_t> payload,
                            bool& changed);
    RadioReply GetListEntry(std::uint8_t opcode, std::uint8_t letter,
                            std::span<const std::uint8_t> payload);
    RadioReply PutContact(std::span<const std::uint8_t> payload);
    RadioReply PutText(std::span<const std::uint8_t> payload);
    RadioReply PollPid();
    // Empties the table at the start of a run of puts of one kind.
    bool StartsRun(std::uint8_t opcode) const { return m_previousOpcode != opcode; }

    mutable std::mutex m_mutex;
    VirtualCP m_image;
    std::uint8_t m_previousOpcode = 0;

    enum class Capture { Idle, Capturing, Captured };
    Capture m_capture = Capture::Idle;
    std::string m_capturedPid{kDefaultCapturedPid};
    std::optional<std::uint32_t> m_notYetPolls = 1;
    std::uint32_t m_pollsLeft = 0;

    std::function<void(const VirtualCP&)> m_changeHook;
};

// Clears what the radio does not keep: the contacts' own-record bytes (the settings hold those
// flags), the scratch bytes of the contact form and the counters.
void DropUnkeptFields(VirtualCP& image);

}  // namespace vex::sim
