#include "codeplug/radio_forms.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "common/pid.h"

namespace vex {

namespace {

// Highest PID a radio accepts for a private or a private group; the rest of the 34-bit space is
// kept for public groups.
constexpr std::int64_t kMaxAssignablePid = 17179867883;

// Reads fields off an untrusted form. Every read checks the remaining length first; a failed read
// leaves the reader failed, and callers check once at the end. Only the first kMaxFormLength bytes
// are visible: a field that would run past them cannot come from a form whose length travels in
// one byte.
class FormReader {
  public:
    explicit FormReader(std::span<const std::uint8_t> form)
        : form_(form.first(std::min(form.size(), kMaxFormLength))) {}

    bool ok() const { return ok_; }

    std::uint8_t Byte() {
        if (!Need(1)) return 0;
        return form_[pos_++];
    }

    std::uint32_t MsbFirst32() {
        if (!Need(4)) return 0;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | form_[pos_++];
        return value;
    }

    std::uint32_t AsHeld32() {
        if (!Need(4)) return 0;
        std::uint32_t value = 0;
        for (unsigned i = 0; i < 4; ++i) value |= std::uint32_t{form_[pos_++]} << (8 * i);
        return value;
    }

    // A NUL-terminated string; the terminator is consumed.
    std::string Terminated() {
        if (!ok_) return {};
        const auto rest = form_.subspan(pos_);
        const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
        if (end == rest.end()) {
            ok_ = false;
            return {};
        }
        std::string text(rest.begin(), end);
        pos_ += text.size() + 1;
        return text;
    }

    // A fixed-length field, taken up to its first NUL byte.
    std::string Fixed(std::size_t length) {
        if (!Need(length)) return {};
        const auto field = form_.subspan(pos_, length);
        pos_ += length;
        const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
        return std::string(field.begin(), end);
    }

  private:
    bool Need(std::size_t count) {
        if (ok_ && form_.size() - pos_ < count) ok_ = false;
        return ok_;
    }

    std::span<const std::uint8_t> form_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// Lays a form down. A string with a NUL inside would end early on the radio and shift every field
// after it, so it spoils the whole form.
class FormWriter {
  public:
    void Byte(std::uint8_t value) { bytes_.push_back(value); }

    void MsbFirst32(std::uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }

    void AsHeld32(std::uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }

    void Terminated(std::string_view text) {
        Characters(text);
        bytes_.push_back(0);
    }

    // Exactly `length` bytes: cut, or padded with NULs.
    void Fixed(std::string_view text, std::size_t length) {
        Characters(text.substr(0, length));
        bytes_.resize(bytes_.size() + (length - std::min(length, text.size())), 0);
        if (text.find('\0') != std::string_view::npos) ok_ = false;
    }

    std::optional<Bytes> Finish() {
        if (!ok_ || bytes_.size() > kMaxFormLength) return std::nullopt;
        return std::move(bytes_);
    }

  private:
    void Characters(std::string_view text) {
        if (text.find('\0') != std::string_view::npos) ok_ = false;
        for (char c : text) bytes_.push_back(static_cast<std::uint8_t>(c));
    }

    Bytes bytes_;
    bool ok_ = true;
};

bool PidRangeAcceptable(std::string_view start, std::string_view end) {
    const std::int64_t first = PidToInt64(start);
    const std::int64_t last = PidToInt64(end);
    return 1 <= first && first < last && last <= kMaxAssignablePid;
}

bool PublicGroupBaseAcceptable(std::string_view pid, std::uint8_t list_size) {
    const std::int64_t base = PidToInt64(pid);
    return std::int64_t{list_size} + 1 <= base && base <= kMaxPid;
}

}  // namespace

std::array<std::uint8_t, kVersionFormLength> EncodeVersionInfo(const VersionInfo& version) {
    return {version.firmware_release,   version.firmware_version, version.firmware_revision,
            version.codeplug_structure, version.codeplug_version, version.codeplug_dev_version,
            version.firmware_phase};
}

bool DecodeVersionInfo(std::span<const std::uint8_t> form, VersionInfo& version) {
    if (form.size() < kVersionFormLength) return false;
    version.firmware_release = form[0];
    version.firmware_version = form[1];
    version.firmware_revision = form[2];
    version.codeplug_structure = form[3];
    version.codeplug_version = form[4];
    version.codeplug_dev_version = form[5];
    version.firmware_phase = form[6];
    return true;
}

std::optional<Bytes> EncodeRadioLimits(const RadioLimits& limits) {
    if (limits.num_of_languages > kLanguageSlots) return std::nullopt;
    FormWriter out;
    out.Terminated(limits.pid);
    out.Terminated(limits.pid_range.valid_PID_start);
    out.Terminated(limits.pid_range.valid_PID_end);
    out.Terminated(limits.public_group_base.starting_public_grp_pid);
    out.Byte(limits.public_group_base.public_grp_list_size);
    out.Fixed(limits.model, kModelLength);
    out.Byte(limits.clone_compatibility_version);
    out.Byte(limits.max_num_of_contacts);
    out.Byte(limits.max_num_of_private_grps);
    out.Byte(limits.max_num_of_public_grps);
    out.Byte(limits.max_num_of_predefined_msgs);
    out.AsHeld32(limits.feature_bits);
    out.AsHeld32(limits.static_ergo_flag2);
    out.Byte(limits.num_of_languages);
    for (std::size_t i = 0; i < limits.num_of_languages; ++i) out.Byte(limits.languages[i]);
    out.Byte(limits.max_num_of_channels);
    out.Byte(limits.max_vol_level);
    return out.Finish();
}

bool DecodeRadioLimits(std::span<const std::uint8_t> form, RadioLimits& limits) {
    FormReader in(form);
    RadioLimits read = limits;
    read.pid = in.Terminated();
    const std::string range_start = in.Terminated();
    const std::string range_end = in.Terminated();
    const std::string group_base = in.Terminated();
    const std::uint8_t group_list_size = in.Byte();
    read.model = in.Fixed(kModelLength);
    read.clone_compatibility_version = in.Byte();
    read.max_num_of_contacts = in.Byte();
    read.max_num_of_private_grps = in.Byte();
    read.max_num_of_public_grps = in.Byte();
    read.max_num_of_predefined_msgs = in.Byte();
    read.feature_bits = in.AsHeld32();
    read.static_ergo_flag2 = in.AsHeld32();
    read.num_of_languages = in.Byte();
    if (!in.ok() || read.num_of_languages > kLanguageSlots) return false;
    // Entries past the count are meaningless on the radio; keep them 0 rather than stale.
    read.languages.fill(0);
    for (std::size_t i = 0; i < read.num_of_languages; ++i) read.languages[i] = in.Byte();
    read.max_num_of_channels = in.Byte();
    read.max_vol_level = in.Byte();
    if (!in.ok()) return false;

    // A range that leaves no valid ID, or a public group block that would run below PID 1, is
    // ignored and the previous values stand; the rest of the form is still taken.
    if (PidRangeAcceptable(range_start, range_end)) {
        read.pid_range.valid_PID_start = range_start;
        read.pid_range.valid_PID_end = range_end;
    }
    if (PublicGroupBaseAcceptable(group_base, group_list_size)) {
        read.public_group_base.starting_public_grp_pid = group_base;
        read.public_group_base.public_grp_list_size = group_list_size;
    }
    limits = std::move(read);
    return true;
}

std::optional<Bytes> EncodeRadioSettings(const RadioSettings& settings) {
    FormWriter out;
    out.Byte(settings.contrast);
    out.MsbFirst32(settings.backlight);
    out.Byte(settings.vibracall);
    out.MsbFirst32(settings.current_time);
    out.MsbFirst32(settings.alarm_time);
    out.Byte(settings.ringer_vol_level);
    out.Byte(settings.speaker_vol_level);
    out.Byte(settings.keypad_vol_level);
    out.Byte(settings.alarm_vol_level);
    out.Byte(settings.earpiece_vol_level);
    out.Byte(settings.language);
    out.AsHeld32(settings.setting_bits);
    out.Terminated(settings.call_forward_id);
    return out.Finish();
}

bool DecodeRadioSettings(std::span<const std::uint8_t> form, RadioSettings& settings) {
    FormReader in(form);
    RadioSettings read;
    read.contrast = in.Byte();
    read.backlight = in.MsbFirst32();
    read.vibracall = in.Byte();
    read.current_time = in.MsbFirst32();
    read.alarm_time = in.MsbFirst32();
    read.ringer_vol_level = in.Byte();
    read.speaker_vol_level = in.Byte();
    read.keypad_vol_level = in.Byte();
    read.alarm_vol_level = in.Byte();
    read.earpiece_vol_level = in.Byte();
    read.language = in.Byte();
    read.setting_bits = in.AsHeld32();
    read.call_forward_id = in.Terminated();
    if (!in.ok()) return false;
    settings = std::move(read);
    return true;
}

std::optional<Bytes> EncodeContactRecord(const ContactRecord& contact) {
    FormWriter out;
    out.Terminated(contact.name);
    out.Byte(contact.alert_tone);
    out.Terminated(contact.pid);
    out.Byte(contact.flags);
    out.Byte(contact.channel);
    out.Byte(contact.cntct_type);
    if (!contact.IsType(ContactType::Private)) return out.Finish();

    // The radio takes the home group as a position in the list of groups it is sent; a home that
    // is no parent rides along at the end.
    std::array<std::string_view, kParentGroupSlots + 1> groups;
    std::size_t count = 0;
    std::size_t home = 0;
    for (const std::string& parent : contact.parent_groups) {
        if (parent.empty()) continue;
        groups[count++] = parent;
        if (home == 0 && !contact.home_grp.empty() && parent == contact.home_grp) home = count;
    }
    if (!contact.home_grp.empty() && home == 0) {
        groups[count++] = contact.home_grp;
        home = count;
    }
    out.Byte(static_cast<std::uint8_t>(count));
    out.Byte(static_cast<std::uint8_t>(home));
    for (std::size_t i = 0; i < count; ++i) out.Terminated(groups[i]);
    return out.Finish();
}

bool DecodeContactRecord(std::span<const std::uint8_t> form, ContactRecord& contact) {
    FormReader in(form);
    ContactRecord read;
    read.name = in.Terminated();
    read.alert_tone = in.Byte();
    read.pid = in.Terminated();
    read.flags = in.Byte();
    read.channel = in.Byte();
    read.cntct_type = in.Byte();
    if (!in.ok()) return false;
    if (read.IsType(ContactType::Private)) {
        read.group_count = in.Byte();
        read.home_index = in.Byte();
        if (!in.ok() || read.home_index > read.group_count) return false;
        // The home group is carried in the list as well, so one more than the parent slots fits.
        const std::size_t parents = read.group_count - (read.home_index != 0 ? 1u : 0u);
        if (parents > kParentGroupSlots) return false;
        std::size_t next_parent = 0;
        for (std::size_t i = 1; i <= read.group_count; ++i) {
            std::string group = in.Terminated();
            if (i == read.home_index) {
                read.home_grp = std::move(group);
            } else {
                read.parent_groups[next_parent++] = std::move(group);
            }
        }
        if (!in.ok()) return false;
        read.own_flags = static_cast<std::uint8_t>(1u << own_flag::kSeeAllGroups);
    }
    contact = std::move(read);
    return true;
}

std::optional<Bytes> EncodeTextMessage(std::string_view text) {
    FormWriter out;
    out.Terminated(text);
    return out.Finish();
}

bool DecodeTextMessage(std::span<const std::uint8_t> form, std::string& text) {
    FormReader in(form);
    std::string read = in.Terminated();
    if (!in.ok()) return false;
    text = std::move(read);
    return true;
}

}  // namespace vex
