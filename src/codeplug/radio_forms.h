#pragma once

// The radio forms of the image's blocks: the packed byte strings that the radio commands carry.
//
// Strings are single-byte characters followed by one NUL byte unless a fixed length is given.
// "MSB first": a 32-bit value's most significant byte comes first. "As held": least significant byte
// first (bit n of the value is bit n mod 8 of byte n div 8).
//
// Forms read from a radio are untrusted. Every Decode* refuses a malformed form -- shorter than its
// fields, a string without its terminator, more languages or parent groups than the image holds,
// a home position past the list -- by returning false, and then leaves its destination exactly as
// it was. Bytes after the last field are ignored. Every Encode* returns the form, or nothing when
// the block cannot be laid down: a form longer than its one-byte length allows (255 bytes), or a
// string with a NUL byte in it (it would end the string early on the radio).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codeplug/virtual_cp.h"

namespace vex {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kMaxFormLength = 255;
inline constexpr std::size_t kVersionFormLength = 7;
// Settings: 24 fixed bytes, then call_forward_id and its terminator.
inline constexpr std::size_t kSettingsFixedLength = 24;
inline constexpr std::size_t kModelLength = 4;

// VersionInfo, 7 bytes (the phase is last on the radio):
//
//   0        1        2        3          4          5          6
//   release  version  revision  cp_struct  cp_version cp_dev_ver phase
std::array<std::uint8_t, kVersionFormLength> EncodeVersionInfo(const VersionInfo& version);
bool DecodeVersionInfo(std::span<const std::uint8_t> form, VersionInfo& version);

// RadioLimits, in order:
//   pid\0  valid_PID_start\0  valid_PID_end\0  starting_public_grp_pid\0  public_grp_list_size(1)
//   model(4, no terminator)  clone_compatibility_version(1)  max_num_of_contacts(1)
//   max_num_of_private_grps(1)  max_num_of_public_grps(1)  max_num_of_predefined_msgs(1)
//   feature_bits(4, as held)  static_ergo_flag2(4, as held)  num_of_languages n(1)  n language ids
//   max_num_of_channels(1)  max_vol_level(1)
//
// Decoding takes pid as it comes. The PID range is taken only when 1 <= start < end <= 17179867883;
// the public group base (PID and list size together) only when size + 1 <= PID <= 17179869183;
// otherwise those fields keep what they held. The model is taken up to its first NUL byte.
// Encoding pads or cuts the model to 4 bytes and needs num_of_languages <= 6.
std::optional<Bytes> EncodeRadioLimits(const RadioLimits& limits);
bool DecodeRadioLimits(std::span<const std::uint8_t> form, RadioLimits& limits);

// RadioSettings, 25 + length of call_forward_id bytes:
//
//   offset  0 contrast        1 backlight (4, MSB first)   5 vibracall
//           6 current_time (4, MSB first)    10 alarm_time (4, MSB first)
//          14 ringer_vol  15 speaker_vol  16 keypad_vol  17 alarm_vol  18 earpiece_vol  19 language
//          20 setting_bits (4, as held)     24 call_forward_id\0
std::optional<Bytes> EncodeRadioSettings(const RadioSettings& settings);
bool DecodeRadioSettings(std::span<const std::uint8_t> form, RadioSettings& settings);

// ContactRecord, in order:
//   name\0  alert_tone(1)  pid\0  flags(1)  channel(1)  cntct_type(1)
//   Private only:  group count N(1)  home index H(1)  N group PIDs, each \0-terminated
//
// Encoding a Private: N is the number of non-empty parent groups, plus one when home_grp is
// non-empty and equal to none of them. Parents go in slot order (empty ones skipped); H is the
// 1-based position of the parent equal to home_grp; otherwise a non-empty home_grp goes last with
// H = N; without a home group H = 0. The own-record byte is not part of the form.
// Decoding a Private: the H-th string (H != 0) becomes home_grp, the others fill the parent slots
// from the first, and the own-record byte gets see_all_groups set. Decoding replaces the whole
// record: fields the form does not carry take their defaults.
std::optional<Bytes> EncodeContactRecord(const ContactRecord& contact);
bool DecodeContactRecord(std::span<const std::uint8_t> form, ContactRecord& contact);

// Text message: the text and its terminator.
std::optional<Bytes> EncodeTextMessage(std::string_view text);
bool DecodeTextMessage(std::span<const std::uint8_t> form, std::string& text);

}  // namespace vex
