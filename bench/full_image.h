#pragma once

// A full codeplug for the benchmarks: 150 contacts (privates with five parent groups and a home
// group each, as the rules keep them), 25 text messages, 6 languages, on a radio with a VEX480's
// capacities.

#include <optional>
#include <string>

#include "codeplug/data_adaptor.h"
#include "codeplug/virtual_cp.h"
#include "common/file_io.h"
#include "model/profile_text.h"

namespace vex::bench {

inline VirtualCP FullImage() {
    VirtualCP image;
    image.m_limits.pid = "1050";
    image.m_limits.model = "V480";
    image.m_limits.clone_compatibility_version = 10;
    image.m_limits.num_of_languages = 6;
    image.m_limits.languages = {1, 2, 3, 4, 5, 6};
    image.m_limits.max_num_of_contacts = 150;
    image.m_limits.max_num_of_private_grps = 20;
    image.m_limits.max_num_of_public_grps = 100;
    image.m_limits.max_num_of_predefined_msgs = 25;
    image.m_limits.max_num_of_channels = 16;
    image.m_limits.max_vol_level = 7;
    constexpr std::size_t kPrivateGroups = 20;
    constexpr std::size_t kPublicGroups = 30;
    // The private groups share 4 channels, five on each: every private is in the five groups of
    // its channel, its home group the first of them, as the rules keep a profile.
    constexpr std::size_t kGroupChannels = 4;
    for (std::size_t i = 0; i < kContactSlots; ++i) {
        ContactRecord& c = image.m_contacts[i];
        const bool onGroupChannels = i < kPrivateGroups || i >= kPrivateGroups + kPublicGroups;
        c.channel = static_cast<std::uint8_t>(1 + i % (onGroupChannels ? kGroupChannels : 16));
        if (i < kPrivateGroups) {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::PrivateGroup);
            c.name = "Crew " + std::to_string(i);
            c.pid = std::to_string(50000 + i);
        } else if (i < kPrivateGroups + kPublicGroups) {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::PublicGroup);
            c.name = "Talkgroup " + std::to_string(i);
            c.pid = std::to_string(17179869183 - i);
        } else {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::Private);
            c.name = "Unit " + std::to_string(i) + " & co";
            c.pid = std::to_string(1000 + i);
            c.alert_tone = static_cast<std::uint8_t>(1 + i % 12);
            for (std::size_t k = 0; k < kParentGroupSlots; ++k) {
                c.parent_groups[k] =
                    std::to_string(50000 + i % kGroupChannels + k * kGroupChannels);
            }
            c.home_grp = c.parent_groups[0];
        }
    }
    for (std::size_t i = 0; i < kTextSlots; ++i) {
        image.m_texts[i] = "Message " + std::to_string(i) + ": return to <base> now";
    }
    return image;
}

// The full image with the version and limits of a model template's default profile (such as
// V480.lam), as a profile built from that template and filled to the brim would carry. Empty, with
// the reason in `error`, when the template cannot be read.
inline std::optional<VirtualCP> FullImageOfTemplate(const std::string& templatePath,
                                                    std::string& error) {
    std::string text;
    if (!ReadWholeFile(templatePath, text, error)) return std::nullopt;
    UnscrambleUnlessBeginsWith(text, kXmlFileStart);
    VirtualCP model;
    CDataAdaptor::XML2VirtualCP(text, model);
    VirtualCP image = FullImage();
    image.m_version = model.m_version;
    image.m_limits = model.m_limits;
    return image;
}

}  // namespace vex::bench
