#include "link/verify.h"

#include <set>

#include "codeplug/data_adaptor.h"
#include "common/text.h"
#include "link/transfer_engine.h"

namespace vex {

namespace {

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

std::set<std::string> Parents(const ContactRecord& c) {
    std::set<std::string> parents;
    for (const auto& p : c.parent_groups) {
        if (!p.empty()) parents.insert(p);
    }
    return parents;
}

std::string Join(const std::set<std::string>& items) {
    std::string out;
    for (const auto& item : items) out += (out.empty() ? "" : ",") + item;
    return "[" + out + "]";
}

}  // namespace

VirtualCP ExpectedAfterWrite(const VirtualCP& source, const RadioLimits& radio) {
    VirtualCP work = source;
    work.CountContacts();
    work.m_limits = radio;
    work.ApplyOwnFlagsToSettings(&radio.pid);

    VirtualCP expected;
    expected.m_limits = radio;
    expected.m_settings = work.m_settings;
    std::size_t slot = 0;
    for (const std::size_t i : ContactsToSend(work)) {
        // Each contact as the radio gives it back: through its radio form, as a read takes it.
        // A read gives every private the see-all-groups own flag; the radio's own record then
        // takes its flags from the settings (below).
        ContactRecord& held = expected.m_contacts[slot++];
        held = work.m_contacts[i];
        if (held.IsType(ContactType::Private)) {
            held.own_flags = static_cast<std::uint8_t>(1u << own_flag::kSeeAllGroups);
        }
    }
    slot = 0;
    for (const std::size_t i : TextsToSend(work)) expected.m_texts[slot++] = work.m_texts[i];
    expected.NormaliseGroupLinks();
    expected.ApplySettingsToOwnRecord();
    return expected;
}

VirtualCP WithProfileTexts(const VirtualCP& sent, std::string_view profileText) {
    VirtualCP wide;
    CDataAdaptor::XML2VirtualCP(profileText, wide, ImageText::Profile);
    VirtualCP wanted = sent;
    wanted.m_contacts = wide.m_contacts;
    wanted.m_texts = wide.m_texts;
    wanted.m_settings.call_forward_id = wide.m_settings.call_forward_id;
    return wanted;
}

std::vector<std::string> Differences(const VirtualCP& expected, const VirtualCP& radio) {
    std::vector<std::string> out;
    auto field = [&](const std::string& what, auto sent, auto held) {
        if (sent != held) {
            out.push_back(what + ": sent " + std::to_string(sent) + ", radio holds " +
                          std::to_string(held));
        }
    };
    const RadioSettings& s = expected.m_settings;
    const RadioSettings& r = radio.m_settings;
    field("setting contrast", s.contrast, r.contrast);
    field("setting backlight", s.backlight, r.backlight);
    field("setting vibracall", s.vibracall, r.vibracall);
    field("setting alarm_time", s.alarm_time, r.alarm_time);
    field("setting ringer_vol_level", s.ringer_vol_level, r.ringer_vol_level);
    field("setting speaker_vol_level", s.speaker_vol_level, r.speaker_vol_level);
    field("setting keypad_vol_level", s.keypad_vol_level, r.keypad_vol_level);
    field("setting alarm_vol_level", s.alarm_vol_level, r.alarm_vol_level);
    field("setting earpiece_vol_level", s.earpiece_vol_level, r.earpiece_vol_level);
    field("setting language", s.language, r.language);
    field("setting flags", s.setting_bits >> 24, r.setting_bits >> 24);
    if (s.call_forward_id != RadioToUtf8(r.call_forward_id)) {
        out.push_back("setting call_forward_id: " + Quote(s.call_forward_id) + ", radio holds " +
                      Quote(RadioToUtf8(r.call_forward_id)));
    }

    std::set<int> matched;
    for (const ContactRecord& c : expected.m_contacts) {
        if (c.IsType(ContactType::Empty)) continue;
        const std::string who = "contact " + Quote(c.name) + " (" + c.pid + ")";
        const int at = radio.FindContact(c.pid, c.cntct_type);
        if (at < 0) {
            out.push_back(who + ": not in the radio");
            continue;
        }
        matched.insert(at);
        const ContactRecord& h = radio.m_contacts[static_cast<std::size_t>(at)];
        if (c.name != RadioToUtf8(h.name)) {
            out.push_back(who + ": name " + Quote(c.name) + ", radio holds " +
                          Quote(RadioToUtf8(h.name)));
        }
        field(who + " alert_tone", c.alert_tone, h.alert_tone);
        field(who + " flags", c.flags, h.flags);
        field(who + " channel", c.channel, h.channel);
        field(who + " own flags", c.own_flags, h.own_flags);
        if (Parents(c) != Parents(h)) {
            out.push_back(who + ": parent groups sent " + Join(Parents(c)) + ", radio holds " +
                          Join(Parents(h)));
        }
        if (c.home_grp != h.home_grp) {
            out.push_back(who + ": home group sent " + Quote(c.home_grp) + ", radio holds " +
                          Quote(h.home_grp));
        }
    }
    for (std::size_t i = 0; i < kContactSlots; ++i) {
        if (radio.IsContactInUse(i) && matched.count(static_cast<int>(i)) == 0) {
            const ContactRecord& h = radio.m_contacts[i];
            out.push_back("radio holds contact " + Quote(RadioToUtf8(h.name)) + " (" + h.pid +
                          ") that was not sent");
        }
    }
    for (std::size_t i = 0; i < kTextSlots; ++i) {
        if (expected.m_texts[i] != RadioToUtf8(radio.m_texts[i])) {
            out.push_back("text message " + std::to_string(i + 1) + ": " +
                          Quote(expected.m_texts[i]) + ", radio holds " +
                          Quote(RadioToUtf8(radio.m_texts[i])));
        }
    }
    return out;
}

}  // namespace vex
