#pragma once

#include <string_view>

#include "codeplug/virtual_cp.h"

namespace vex::sim {

// The radio's own private ID in the built-in radio.
inline constexpr std::string_view kDefaultOwnPid = "1001";

// The built-in radio: a full VEX480 (model "V480", clone compatibility 10, firmware R 0x5E
// version 5, 150 contacts, 20 private groups, 100 public groups, 25 messages, 16 channels, volume
// up to 7, languages 1 to 3, every feature enabled and nothing disabled) holding three private
// groups, two public groups from the top of the pool, five Privates (its own, 1001, among them)
// with parent and home groups on channels 1 and 2, three text messages and ordinary settings.
// The contacts keep the profile rules: a group's members and a private's home group are on the
// private's channel.
//
// Contacts are sorted by name and texts by text, as a profile file keeps them, so the radio's
// codeplug survives being saved to a profile and loaded again unchanged.
VirtualCP DefaultRadioImage();

}  // namespace vex::sim
