#pragma once

// Faults a virtual radio commits on purpose, so that the host's handling of a radio or a line that
// misbehaves can be tried. One fault is written
//
//   KIND[:ARG][@COMMAND][/COUNT]
//
// KIND and ARG (hexadecimal where marked HH; "0x" is allowed; case does not matter):
//
//   silence        never answer (the command is not carried out)
//   noise[:N]      N noise bytes (default 4) between the lead-in and the frame's marker
//   checksum       a wrong checksum
//   leadin[:HH]    the lead-in HH (default 51) in place of 50
//   q:HH           answer 'Q' with failure code HH (FD: reset or write first, FE: busy, other:
//                  failed); the command is not carried out
//   s:N            answer 'S' with state N (1 not yet, 2 captured, 4 unsupported); not carried out
//   rejected:N     answer with a frame of type 8C whose first data byte is N (0: earlier
//                  firmware); not carried out
//   type:HH        send the right answer in a frame of type HH (80, 84 and 85 go as long frames
//                  with three status bytes)
//   version:N      report firmware version N (GetVersion only)
//   compat:N       report clone compatibility version N (GetLimits only)
//   drop:N         answer N frames, then never again
//   hangup:N       answer N frames, then hang up the line
//
// @COMMAND limits the fault to frames of one command: its name (GetVersion, PutContact, ...) or its
// opcode in hex (31). /COUNT limits it to the first COUNT frames it applies to; without it, it
// applies to every one. The two may come in either order. For drop and hangup, N counts the frames
// the fault applies to.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vex::sim {

enum class FaultKind {
    Silence,
    Noise,
    BadChecksum,
    LeadIn,
    Query,
    State,
    Rejected,
    FrameType,
    Version,
    Compatibility,
    Drop,
    HangUp,
};

struct Fault {
    FaultKind kind = FaultKind::Silence;
    std::uint32_t value = 0;             // the argument, or its default
    std::optional<std::uint8_t> opcode;  // only frames of this command
    std::optional<std::uint32_t> count;  // only the first count frames it applies to

    bool operator==(const Fault&) const = default;
};

// One fault from its text; nullopt with the reason in `error` when the text is not one.
std::optional<Fault> ParseFault(std::string_view text, std::string& error);

// The text of a fault, as ParseFault reads it.
std::string FaultText(const Fault& fault);

// The syntax above, for a program's help text.
std::string_view FaultSyntaxHelp();

// What the faults make of one frame.
struct FrameFaults {
    bool silent = false;                    // no answer
    bool hangUp = false;                    // no answer, and the line goes down
    std::optional<Fault> replacement;       // a Query, State or Rejected answer instead
    std::optional<std::uint8_t> frameType;  // the answer in a frame of this type
    std::optional<std::uint8_t> version;    // the firmware version to report
    std::optional<std::uint8_t> compatibility;
    bool badChecksum = false;
    std::optional<std::uint8_t> leadIn;
    std::uint32_t noise = 0;
    std::vector<std::string> applied;  // the faults' texts, for the log
};

// The faults of one radio and what they have used up. Not thread-safe.
class FaultPlan {
  public:
    void Add(const Fault& fault) { m_entries.push_back(Entry{fault, 0}); }
    void Clear() {
        m_entries.clear();
        m_dropped = false;
    }
    bool Empty() const { return m_entries.empty(); }

    // Decides the faults of the next frame, which carries `opcode`, and counts them as used.
    FrameFaults Next(std::uint8_t opcode);

  private:
    struct Entry {
        Fault fault;
        std::uint32_t applied;  // frames it was used on (drop, hangup: frames it counted)
    };
    std::vector<Entry> m_entries;
    bool m_dropped = false;  // a drop fault has fired: the line is silent for good
};

}  // namespace vex::sim
