#pragma once

#include <string>

namespace vex {

// The dealer's name, contact details and notes, kept per user-interface language in the settings
// and printed at the top of every report.
struct DealerTexts {
    std::string dealerInfo;
    std::string contactInfo;
    std::string dealerNotes;

    bool operator==(const DealerTexts&) const = default;
};

}  // namespace vex
