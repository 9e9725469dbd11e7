#pragma once

// Helpers shared by the virtual radio's tests.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codeplug/virtual_cp.h"
#include "sim/virtual_radio.h"
#include "support/io_helpers.h"

namespace vex::sim::test {

using vex::test::RuntimeFolder;
using vex::test::TempFolder;

// The contacts in use, each with what a radio form carries (no own-record byte, no scratch), in
// slot order.
inline std::vector<ContactRecord> CarriedContacts(const VirtualCP& image) {
    std::vector<ContactRecord> contacts;
    for (std::size_t slot = 0; slot < kContactSlots; ++slot) {
        if (!image.IsContactInUse(slot)) continue;
        ContactRecord c = image.m_contacts[slot];
        c.own_flags = 0;
        c.group_count = 0;
        c.home_index = 0;
        contacts.push_back(c);
    }
    return contacts;
}

inline std::vector<std::string> UsedTexts(const VirtualCP& image) {
    std::vector<std::string> texts;
    for (const auto& text : image.m_texts) {
        if (!text.empty()) texts.push_back(text);
    }
    return texts;
}

}  // namespace vex::sim::test
