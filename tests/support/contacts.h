#pragma once

// A contact slot as tests build them.

#include <cstdint>
#include <string>

#include "codeplug/virtual_cp.h"

namespace vex {

inline ContactRecord MakeContact(ContactType type, std::string name, std::string pid,
                                 std::uint8_t channel = 1) {
    ContactRecord c;
    c.cntct_type = static_cast<std::uint8_t>(type);
    c.name = std::move(name);
    c.pid = std::move(pid);
    c.channel = channel;
    return c;
}

}  // namespace vex
