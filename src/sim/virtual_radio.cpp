#include "sim/virtual_radio.h"

#include <algorithm>
#include <array>
#include <utility>

#include "common/text.h"
#include "link/radio_protocol.h"

namespace vex::sim {

namespace {

struct NamedOpcode {
    std::uint8_t opcode;
    std::string_view name;
};

constexpr std::array<NamedOpcode, 13> kCommands{{
    {opcode::kGetVersion, "GetVersion"},
    {opcode::kConfirmLink, "ConfirmLink"},
    {opcode::kGetLimits, "GetLimits"},
    {opcode::kGetSettings, "GetSettings"},
    {opcode::kPutSettings, "PutSettings"},
    {opcode::kGetContact, "GetContact"},
    {opcode::kPutContact, "PutContact"},
    {opcode::kGetTextMessage, "GetTextMessage"},
    {opcode::kPutTextMessage, "PutTextMessage"},
    {opcode::kEndWrite, "EndWrite"},
    {opcode::kResetRadio, "ResetRadio"},
    {opcode::kStartPidCapture, "StartPidCapture"},
    {opcode::kPollPid, "PollPid"},
}};

// The host's receive buffer holds the reply's letter and 120 payload bytes: one byte less than a
// frame could carry.
constexpr std::size_t kMaxReplyData = kReplyDataSize;

RadioReply Letter(std::uint8_t letter) {
    return RadioReply{frame_type::kAnswer, Bytes{letter}};
}

RadioReply Refused(std::uint8_t command) {
    return RadioReply{frame_type::kAnswer,
                      Bytes{reply_letter::kQuery, command, query_code::kRefused}};
}

RadioReply WithRecord(std::uint8_t command, Bytes head, const std::optional<Bytes>& record) {
    if (!record || head.size() + record->size() > kMaxReplyData) return Refused(command);
    head.insert(head.end(), record->begin(), record->end());
    return RadioReply{frame_type::kAnswer, std::move(head)};
}

// The 1-based numbers the radio gives its contacts and texts: the slots in use, in slot order.
std::vector<std::size_t> ContactsInUse(const VirtualCP& image) {
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < kContactSlots; ++slot) {
        if (image.IsContactInUse(slot)) slots.push_back(slot);
    }
    return slots;
}

std::vector<std::size_t> TextsInUse(const VirtualCP& image) {
    std::vector<std::size_t> slots;
    for (std::size_t slot = 0; slot < kTextSlots; ++slot) {
        if (!image.m_texts[slot].empty()) slots.push_back(slot);
    }
    return slots;
}

}  // namespace

std::string_view CommandName(std::uint8_t code) {
    for (const auto& command : kCommands) {
        if (command.opcode == code) return command.name;
    }
    return {};
}

std::optional<std::uint8_t> OpcodeByName(std::string_view name) {
    for (const auto& command : kCommands) {
        if (CompareRadioNoCase(command.name, name) == 0) return command.opcode;
    }
    return std::nullopt;
}

void DropUnkeptFields(VirtualCP& image) {
    for (ContactRecord& contact : image.m_contacts) {
        contact.own_flags = 0;
        contact.group_count = 0;
        contact.home_index = 0;
    }
    image.m_counters = ContactCounters{};
}

VirtualRadio::VirtualRadio(VirtualCP image) : m_image(std::move(image)) {
    DropUnkeptFields(m_image);
}

VirtualCP VirtualRadio::Image() const {
    std::lock_guard lock(m_mutex);
    return m_image;
}

void VirtualRadio::SetImage(VirtualCP image) {
    DropUnkeptFields(image);
    std::lock_guard lock(m_mutex);
    m_image = std::move(image);
}

void VirtualRadio::SetPidCapture(std::string pid, std::optional<std::uint32_t> notYetPolls) {
    std::lock_guard lock(m_mutex);
    m_capturedPid = std::move(pid);
    m_notYetPolls = notYetPolls;
}

void VirtualRadio::SetChangeHook(std::function<void(const VirtualCP&)> hook) {
    std::lock_guard lock(m_mutex);
    m_changeHook = std::move(hook);
}

RadioReply VirtualRadio::Answer(std::uint8_t code, std::span<const std::uint8_t> payload) {
    bool changed = false;
    RadioReply reply;
    std::function<void(const VirtualCP&)> hook;
    VirtualCP snapshot;
    {
        std::lock_guard lock(m_mutex);
        try {
            reply = AnswerLocked(code, payload, changed);
        } catch (...) {
            // Only allocation can throw here; a radio without memory refuses the command.
            reply = Refused(code);
            changed = false;
        }
        m_previousOpcode = code;
        if (changed && m_changeHook) {
            hook = m_changeHook;
            snapshot = m_image;
        }
    }
    if (hook) hook(snapshot);
    return reply;
}

RadioReply VirtualRadio::AnswerLocked(std::uint8_t code, std::span<const std::uint8_t> payload,
                                      bool& changed) {
    const bool takesPayload = code == opcode::kPutSettings || code == opcode::kGetContact ||
                              code == opcode::kPutContact || code == opcode::kGetTextMessage ||
                              code == opcode::kPutTextMessage;
    if (!takesPayload && !payload.empty()) return Refused(code);

    switch (code) {
        case opcode::kGetVersion: {
            const auto form = EncodeVersionInfo(m_image.m_version);
            Bytes data{reply_letter::kVersion};
            data.insert(data.end(), form.begin(), form.end());
            return RadioReply{frame_type::kAnswer, std::move(data)};
        }
        case opcode::kConfirmLink:
            return Letter(reply_letter::kDone);
        case opcode::kGetLimits:
            return WithRecord(code, Bytes{reply_letter::kLimits},
                              EncodeRadioLimits(m_image.m_limits));
        case opcode::kGetSettings:
            return WithRecord(code, Bytes{reply_letter::kSettings},
                              EncodeRadioSettings(m_image.m_settings));
        case opcode::kPutSettings: {
            RadioSettings settings;
            if (!DecodeRadioSettings(payload, settings)) return Refused(code);
            m_image.m_settings = std::move(settings);
            return Letter(reply_letter::kDone);
        }
        case opcode::kGetContact:
            return GetListEntry(code, reply_letter::kContact, payload);
        case opcode::kGetTextMessage:
            return GetListEntry(code, reply_letter::kText, payload);
        case opcode::kPutContact:
            return PutContact(payload);
        case opcode::kPutTextMessage:
            return PutText(payload);
        case opcode::kEndWrite:
            // Parent and home references that name no group are dropped, as a read would.
            m_image.NormaliseGroupLinks();
            changed = true;
            return Letter(reply_letter::kDone);
        case opcode::kResetRadio: {
            m_image.m_settings = RadioSettings{};
            m_image.m_contacts.fill(ContactRecord{});
            m_image.m_texts.fill(std::string{});
            m_capture = Capture::Idle;
            changed = true;
            return Letter(reply_letter::kDone);
        }
        case opcode::kStartPidCapture:
            m_capture = Capture::Capturing;
            m_pollsLeft = m_notYetPolls.value_or(0);
            return RadioReply{frame_type::kAnswer,
                              Bytes{reply_letter::kState, pid_state::kCapturing}};
        case opcode::kPollPid:
            return PollPid();
        default:
            return Refused(code);
    }
}

RadioReply VirtualRadio::GetListEntry(std::uint8_t code, std::uint8_t letter,
                                      std::span<const std::uint8_t> payload) {
    if (payload.size() != 2) return Refused(code);
    const bool contacts = code == opcode::kGetContact;
    const std::vector<std::size_t> slots = contacts ? ContactsInUse(m_image) : TextsInUse(m_image);
    const auto count = static_cast<std::uint8_t>(slots.size());
    const std::size_t index = std::max<std::size_t>(payload[0], 1);
    if (index > slots.size()) return RadioReply{frame_type::kAnswer, Bytes{letter, 0, count}};

    const std::size_t slot = slots[index - 1];
    const auto record = contacts ? EncodeContactRecord(m_image.m_contacts[slot])
                                 : EncodeTextMessage(m_image.m_texts[slot]);
    return WithRecord(code, Bytes{letter, static_cast<std::uint8_t>(index), count}, record);
}

RadioReply VirtualRadio::PutContact(std::span<const std::uint8_t> payload) {
    constexpr std::uint8_t code = opcode::kPutContact;
    if (payload.size() < 2) return Refused(code);
    const std::size_t index = payload[0];
    const std::size_t total = payload[1];
    const auto record = payload.subspan(2);
    if (index == 0 && total == 0 && record.empty()) {
        m_image.m_contacts.fill(ContactRecord{});
        return Letter(reply_letter::kDone);
    }
    const std::size_t capacity =
        std::min<std::size_t>(kContactSlots, m_image.m_limits.max_num_of_contacts);
    if (index == 0 || index > total || total > capacity) return Refused(code);

    ContactRecord contact;
    if (!DecodeContactRecord(record, contact)) return Refused(code);
    if (contact.cntct_type > static_cast<std::uint8_t>(ContactType::PublicGroup)) {
        return Refused(code);
    }
    contact.own_flags = 0;
    contact.group_count = 0;
    contact.home_index = 0;
    if (StartsRun(code)) m_image.m_contacts.fill(ContactRecord{});
    m_image.m_contacts[index - 1] = std::move(contact);
    return Letter(reply_letter::kDone);
}

RadioReply VirtualRadio::PutText(std::span<const std::uint8_t> payload) {
    constexpr std::uint8_t code = opcode::kPutTextMessage;
    if (payload.size() < 2) return Refused(code);
    const std::size_t index = payload[0];
    const std::size_t total = payload[1];
    const auto form = payload.subspan(2);
    if (index == 0 && total == 0 && form.empty()) {
        m_image.m_texts.fill(std::string{});
        return Letter(reply_letter::kDone);
    }
    const std::size_t capacity =
        std::min<std::size_t>(kTextSlots, m_image.m_limits.max_num_of_predefined_msgs);
    if (index == 0 || index > total || total > capacity) return Refused(code);

    std::string text;
    if (!DecodeTextMessage(form, text)) return Refused(code);
    if (StartsRun(code)) m_image.m_texts.fill(std::string{});
    m_image.m_texts[index - 1] = std::move(text);
    return Letter(reply_letter::kDone);
}

RadioReply VirtualRadio::PollPid() {
    constexpr std::uint8_t code = opcode::kPollPid;
    switch (m_capture) {
        case Capture::Idle:
            return Refused(code);
        case Capture::Capturing:
            if (!m_notYetPolls || m_pollsLeft > 0) {
                if (m_notYetPolls) --m_pollsLeft;
                return RadioReply{frame_type::kAnswer,
                                  Bytes{reply_letter::kState, pid_state::kCapturing}};
            }
            m_capture = Capture::Captured;
            break;
        case Capture::Captured:
            break;
    }
    Bytes data{reply_letter::kState, pid_state::kCaptured};
    data.insert(data.end(), m_capturedPid.begin(), m_capturedPid.end());
    data.push_back(0);
    if (data.size() > kMaxReplyData) return Refused(code);
    return RadioReply{frame_type::kAnswer, std::move(data)};
}

}  // namespace vex::sim
