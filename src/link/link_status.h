#pragma once

#include <cstdint>
#include <string>

namespace vex {

// The result of every radio command and operation. Success is 1; the failures are -1 to -14. A
// command may also give another value (a positive count for an unexpected "S" reply), which is a
// failure too: the type holds any 32-bit value.
enum class LinkStatus : std::int32_t {
    Success = 1,
    PortUnavailable = -1,     // no usable port, the frame was not sent, or a bad checksum at last
    NoConnection = -2,        // no valid reply after all exchanges
    EarlierFirmware = -3,     // a 0x8C reply with first data byte 0
    VersionUnsupported = -4,  // the version record failed the acceptance test
    ModelUnsupported = -5,    // the clone compatibility version is not the expected one
    InvalidOpcode = -6,       // a reply of an unexpected frame type
    UnsupportedCommand = -7,  // an answer whose first byte is not the expected letter, Q or S
    OperationFailed = -8,     // a Q or S reply with an unknown code; a malformed reply record
    TimedOut = -9,            // S reply, state 1
    OperationUnsupported = -10,  // S reply, state 4
    RadioBusy = -11,             // Q reply 0xFE; a private-ID capture the radio did not start
    UserCanceled = -12,
    MessageCompose = -13,     // no frame could be built (payload over 121 bytes)
    ResetOrWriteFirst = -14,  // Q reply 0xFD
};

constexpr std::int32_t ToInt(LinkStatus s) {
    return static_cast<std::int32_t>(s);
}
constexpr LinkStatus ToLinkStatus(std::int32_t code) {
    return static_cast<LinkStatus>(code);
}

// The two forms of the user's text for a status code: the progress dialogs' status text (long
// lines broken, the second one indented by ten blanks) and the one-line message-box form.
enum class LinkTextForm { Dialog, MessageBox };

// The user's text for a link status code; "Error: Operation Failed (%d)." for a code without
// a text of its own.
std::string LinkErrorText(LinkStatus status, LinkTextForm form);

// Shown below the failure text of a write that changed the radio before it failed or was
// cancelled (TransferEngine::RadioLeftIncomplete): the radio keeps part of the old and part of
// the new profile.
inline constexpr char kIncompleteWriteText[] =
    "The radio now holds an incomplete profile. Write the profile again before using the radio.";

}  // namespace vex
