#pragma once

// write --verify: what a radio should hold after a write, and where it holds something else.

#include <string>
#include <vector>

#include "codeplug/virtual_cp.h"

namespace vex::cli {

// What a radio with limits `radio` holds after a write of `source` and a read back, when everything
// went as sent: the contacts and texts the write sends, with the settings it sends, passed through
// what a read does to an image.
VirtualCP ExpectedAfterWrite(const VirtualCP& source, const RadioLimits& radio);

// One line per field that differs between what was sent and what the radio holds: the settings,
// each contact sent (matched by PID and kind; parent groups compared as sets), contacts the radio
// holds that were not sent, and the text messages. The clock is left out: a radio's clock runs on.
// The texts of `expected` (names, text messages, call_forward_id) are the profile's own UTF-8,
// those of `radio` the radio's code page, so a character the radio could not hold is a difference.
std::vector<std::string> Differences(const VirtualCP& expected, const VirtualCP& radio);

}  // namespace vex::cli
