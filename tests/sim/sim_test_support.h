#pragma once

// Helpers shared by the virtual radio's tests.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "codeplug/virtual_cp.h"
#include "sim/virtual_radio.h"
#include "support/io_helpers.h"

namespace vex::sim::test {

using vex::test::TempFolder;

// Points XDG_RUNTIME_DIR at a fresh folder of its own while it lives; children inherit it.
class RuntimeFolder : public TempFolder {
  public:
    RuntimeFolder() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old;
        setenv("XDG_RUNTIME_DIR", Path().c_str(), 1);
    }
    ~RuntimeFolder() {
        if (m_old) {
            setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

  private:
    std::optional<std::string> m_old;
};

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
