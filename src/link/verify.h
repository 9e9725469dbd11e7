#pragma once

// Read-back verification of a write: what a radio should hold after a write, and where it holds
// something else. The command-line tool (write --verify) and the desktop application share it.

#include <string>
#include <string_view>
#include <vector>

#include "codeplug/virtual_cp.h"

namespace vex {

// What a radio with limits `radio` holds after a write of `source` and a read back, when everything
// went as sent: the contacts and texts the write sends, with the settings it sends, passed through
// what a read does to an image.
VirtualCP ExpectedAfterWrite(const VirtualCP& source, const RadioLimits& radio);

// The image `sent` of the profile whose text is `profileText`, with the texts (names, text
// messages, call_forward_id) as the profile holds them (UTF-8) in place of the radio's code page:
// what to compare with the radio, so that a character sent as '?' shows as a difference. Throws
// CVEXPRGException as the profile's conversion does.
VirtualCP WithProfileTexts(const VirtualCP& sent, std::string_view profileText);

// One line per field that differs between what was sent and what the radio holds: the settings,
// each contact sent (matched by PID and kind; parent groups compared as sets), contacts the radio
// holds that were not sent, and the text messages. The clock is left out: a radio's clock runs on.
// The texts of `expected` (names, text messages, call_forward_id) are the profile's own UTF-8,
// those of `radio` the radio's code page, so a character the radio could not hold is a difference.
std::vector<std::string> Differences(const VirtualCP& expected, const VirtualCP& radio);

}  // namespace vex
