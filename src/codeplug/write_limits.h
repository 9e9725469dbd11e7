#pragma once

// The limits a radio enforces on what is written into it, checked on the profile before the first
// byte goes out, so that a write the radio would refuse half-way sends nothing, and before a
// profile is accepted by validate or import.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vex {

inline constexpr std::size_t kMaxContactNameLength = 20;  // characters
inline constexpr std::size_t kMaxTextMessageLength = 80;  // characters

struct LimitFinding {
    enum class Kind {
        Limit,      // the radio refuses the entry: the write must not start
        Character,  // the radio cannot hold a character: it would be sent as '?'
    };
    Kind kind = Kind::Limit;
    std::string entry;    // "Private 'Dave'", "TextMessage 3"
    std::string limit;    // "at most 20 characters"
    std::string message;  // one line for the user, naming the entry and the limit
};

// Every finding for the profile text (as saved or as sent: lists sorted), in the order of the
// image's slots: each contact's name (not empty nor only blanks, at most kMaxContactNameLength
// characters, unlike every other contact's name without regard to case, characters the radio can
// hold), each text message (at most kMaxTextMessageLength characters, characters the radio can
// hold) and every record that does not fit one radio command. Throws CVEXPRGException as
// CDataAdaptor::XML2VirtualCP does for text that is no profile.
std::vector<LimitFinding> CheckRadioLimits(std::string_view profileText);

// True when any finding is of kind Limit.
bool AnyLimitExceeded(const std::vector<LimitFinding>& findings);

}  // namespace vex
