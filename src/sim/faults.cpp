#include "sim/faults.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "common/text.h"
#include "link/radio_protocol.h"
#include "sim/virtual_radio.h"

namespace vex::sim {

namespace {

enum class Argument { None, Optional, Required };

struct KindInfo {
    std::string_view name;
    FaultKind kind;
    Argument argument;
    bool hex;
    std::uint32_t defaultValue;
    std::uint32_t maxValue;
};

constexpr std::uint32_t kManyFrames = 1'000'000'000;

constexpr std::array<KindInfo, 12> kKinds{{
    {"silence", FaultKind::Silence, Argument::None, false, 0, 0},
    {"noise", FaultKind::Noise, Argument::Optional, false, 4, 1000},
    {"checksum", FaultKind::BadChecksum, Argument::None, false, 0, 0},
    {"leadin", FaultKind::LeadIn, Argument::Optional, true, 0x51, 0xFF},
    {"q", FaultKind::Query, Argument::Required, true, 0, 0xFF},
    {"s", FaultKind::State, Argument::Required, false, 0, 0xFF},
    {"rejected", FaultKind::Rejected, Argument::Required, false, 0, 0xFF},
    {"type", FaultKind::FrameType, Argument::Required, true, 0, 0xFF},
    {"version", FaultKind::Version, Argument::Required, false, 0, 0xFF},
    {"compat", FaultKind::Compatibility, Argument::Required, false, 0, 0xFF},
    {"drop", FaultKind::Drop, Argument::Required, false, 0, kManyFrames},
    {"hangup", FaultKind::HangUp, Argument::Required, false, 0, kManyFrames},
}};

const KindInfo& InfoOf(FaultKind kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) return info;
    }
    return kKinds[0];
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text, bool hex, std::uint32_t max) {
    text = Trim(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        hex = true;
    }
    std::uint32_t value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, hex ? 16 : 10);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

// The opcode a fault needs, when it only makes sense for one command.
std::optional<std::uint8_t> NaturalOpcode(FaultKind kind) {
    if (kind == FaultKind::Version) return opcode::kGetVersion;
    if (kind == FaultKind::Compatibility) return opcode::kGetLimits;
    return std::nullopt;
}

}  // namespace

std::optional<Fault> ParseFault(std::string_view text, std::string& error) {
    const std::string whole(text);
    Fault fault;

    // KIND[:ARG] first, then "@COMMAND" and "/COUNT" in either order.
    const std::size_t kindEnd = std::min(text.find('@'), text.find('/'));
    std::string_view rest = kindEnd == std::string_view::npos ? "" : text.substr(kindEnd);
    text = text.substr(0, std::min(kindEnd, text.size()));
    while (!rest.empty()) {
        const char mark = rest[0];
        const std::size_t end = std::min(rest.find('@', 1), rest.find('/', 1));
        const std::string_view part =
            rest.substr(1, end == std::string_view::npos ? rest.npos : end - 1);
        rest = end == std::string_view::npos ? "" : rest.substr(end);
        if (mark == '/') {
            const auto count = ParseNumber(part, false, kManyFrames);
            if (fault.count || !count || *count == 0) {
                error = "bad count in fault '" + whole + "': expected one number from 1";
                return std::nullopt;
            }
            fault.count = count;
            continue;
        }
        const std::string_view command = Trim(part);
        auto code = OpcodeByName(command);
        if (!code) {
            if (const auto number = ParseNumber(command, true, 0xFF)) {
                code = static_cast<std::uint8_t>(*number);
            }
        }
        if (fault.opcode || !code) {
            error = "bad command '" + std::string(command) + "' in fault '" + whole + "'";
            return std::nullopt;
        }
        fault.opcode = code;
    }

    std::string_view name = Trim(text);
    std::optional<std::string_view> argument;
    if (const auto colon = name.find(':'); colon != std::string_view::npos) {
        argument = name.substr(colon + 1);
        name = Trim(name.substr(0, colon));
    }
    const KindInfo* info = nullptr;
    for (const KindInfo& candidate : kKinds) {
        if (CompareRadioNoCase(candidate.name, name) == 0) info = &candidate;
    }
    if (info == nullptr) {
        error = "unknown fault '" + std::string(name) + "' in '" + whole + "'";
        return std::nullopt;
    }
    fault.kind = info->kind;
    fault.value = info->defaultValue;
    if (argument && info->argument == Argument::None) {
        error = "fault '" + std::string(info->name) + "' takes no argument";
        return std::nullopt;
    }
    if (!argument && info->argument == Argument::Required) {
        error = "fault '" + std::string(info->name) + "' needs an argument";
        return std::nullopt;
    }
    if (argument) {
        const auto value = ParseNumber(*argument, info->hex, info->maxValue);
        if (!value) {
            error = "bad argument '" + std::string(*argument) + "' in fault '" + whole + "'";
            return std::nullopt;
        }
        fault.value = *value;
    }
    if (const auto natural = NaturalOpcode(fault.kind)) {
        if (fault.opcode && fault.opcode != natural) {
            error = "fault '" + std::string(info->name) + "' applies to " +
                    std::string(CommandName(*natural)) + " only";
            return std::nullopt;
        }
        fault.opcode = natural;
    }
    return fault;
}

std::string FaultText(const Fault& fault) {
    const KindInfo& info = InfoOf(fault.kind);
    std::string text(info.name);
    if (info.argument != Argument::None) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, info.hex ? ":%02X" : ":%u", fault.value);
        text += buffer;
    }
    if (fault.opcode && !NaturalOpcode(fault.kind)) {
        const std::string_view name = CommandName(*fault.opcode);
        if (name.empty()) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "@%02X", *fault.opcode);
            text += buffer;
        } else {
            text += "@" + std::string(name);
        }
    }
    if (fault.count) text += "/" + std::to_string(*fault.count);
    return text;
}

std::string_view FaultSyntaxHelp() {
    return R"(A fault is written KIND[:ARG][@COMMAND][/COUNT]:
  silence        never answer
  noise[:N]      N noise bytes (default 4) between the lead-in and the frame
  checksum       a wrong checksum
  leadin[:HH]    the lead-in HH (hex, default 51) in place of 50
  q:HH           answer Q with failure code HH (hex: FD reset or write first,
                 FE busy, anything else failed)
  s:N            answer S with state N (1 not yet, 2 captured, 4 unsupported)
  rejected:N     answer with a frame of type 8C, first data byte N (0: earlier
                 firmware, 1: invalid)
  type:HH        the right answer in a frame of type HH (hex; 80, 84 and 85 carry
                 status bytes)
  version:N      report firmware version N (e.g. 6: unsupported)
  compat:N       report clone compatibility version N (e.g. 9: another model)
  drop:N         answer N frames, then never again
  hangup:N       answer N frames, then hang up the line
@COMMAND limits a fault to one command, by name (GetVersion, ConfirmLink,
GetLimits, GetSettings, PutSettings, GetContact, PutContact, GetTextMessage,
PutTextMessage, EndWrite, ResetRadio, StartPidCapture, PollPid) or by opcode
in hex (31). /COUNT limits it to the first COUNT frames it applies to
(the two in either order).
Examples: q:FE@PutContact   checksum/2   noise:8   drop:5   s:4@StartPidCapture
A command answered by silence, q, s or rejected is not carried out.
)";
}

FrameFaults FaultPlan::Next(std::uint8_t code) {
    FrameFaults out;
    if (m_dropped) {
        out.silent = true;
        return out;
    }
    const auto applies = [code](const Entry& entry) {
        return !entry.fault.opcode || *entry.fault.opcode == code;
    };
    const auto available = [&](const Entry& entry) {
        return applies(entry) && (!entry.fault.count || entry.applied < *entry.fault.count);
    };
    const auto use = [&out](Entry& entry) {
        ++entry.applied;
        out.applied.push_back(FaultText(entry.fault));
    };

    // The line first: once it drops, nothing else happens.
    for (Entry& entry : m_entries) {
        const FaultKind kind = entry.fault.kind;
        if ((kind != FaultKind::Drop && kind != FaultKind::HangUp) || !applies(entry)) continue;
        if (++entry.applied <= entry.fault.value) continue;
        m_dropped = true;
        out.silent = true;
        out.hangUp = kind == FaultKind::HangUp;
        out.applied.push_back(FaultText(entry.fault));
        return out;
    }
    for (Entry& entry : m_entries) {
        if (entry.fault.kind == FaultKind::Silence && available(entry)) {
            use(entry);
            out.silent = true;
            return out;
        }
    }
    for (Entry& entry : m_entries) {
        if (!available(entry)) continue;
        const Fault& fault = entry.fault;
        const auto byte = static_cast<std::uint8_t>(fault.value);
        switch (fault.kind) {
            case FaultKind::Query:
            case FaultKind::State:
            case FaultKind::Rejected:
                if (out.replacement) continue;
                out.replacement = fault;
                break;
            case FaultKind::FrameType:
                if (out.frameType) continue;
                out.frameType = byte;
                break;
            case FaultKind::Version:
                if (out.version) continue;
                out.version = byte;
                break;
            case FaultKind::Compatibility:
                if (out.compatibility) continue;
                out.compatibility = byte;
                break;
            case FaultKind::BadChecksum:
                if (out.badChecksum) continue;
                out.badChecksum = true;
                break;
            case FaultKind::LeadIn:
                if (out.leadIn) continue;
                out.leadIn = byte;
                break;
            case FaultKind::Noise:
                out.noise += fault.value;
                break;
            case FaultKind::Silence:
            case FaultKind::Drop:
            case FaultKind::HangUp:
                continue;
        }
        use(entry);
    }
    return out;
}

}  // namespace vex::sim
