#pragma once

// Readable failure messages for comparisons of image blocks (GoogleTest finds PrintTo by ADL).

#include <ostream>

#include "codeplug/virtual_cp.h"

namespace vex {

inline void PrintTo(const ContactRecord& c, std::ostream* os) {
    *os << "{type " << int(c.cntct_type) << " name '" << c.name << "' pid '" << c.pid << "' ch "
        << int(c.channel) << " tone " << int(c.alert_tone) << " flags " << int(c.flags) << " own "
        << int(c.own_flags) << " parents [";
    for (const auto& p : c.parent_groups) *os << "'" << p << "' ";
    *os << "] home '" << c.home_grp << "' N " << int(c.group_count) << " H " << int(c.home_index)
        << "}";
}

inline void PrintTo(const VirtualCP& image, std::ostream* os) {
    *os << "VirtualCP{own pid '" << image.m_limits.pid << "', model '" << image.m_limits.model
        << "', contacts:";
    for (const auto& c : image.m_contacts) {
        if (c.cntct_type == static_cast<std::uint8_t>(ContactType::Empty)) continue;
        *os << ' ';
        PrintTo(c, os);
    }
    *os << ", texts:";
    for (const auto& t : image.m_texts) {
        if (!t.empty()) *os << " '" << t << "'";
    }
    *os << "}";
}

}  // namespace vex
