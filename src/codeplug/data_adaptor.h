#pragma once

#include <string>
#include <string_view>

#include "codeplug/virtual_cp.h"

namespace vex {

// Conversions between the codeplug image and the text of a profile document.
// How XML2VirtualCP stores the profile's texts (names, PIDs, text messages): in the radio's code
// page, as a write sends them, or as the profile's own UTF-8, to compare with or check against
// what a radio holds.
enum class ImageText { Radio, Profile };

class CDataAdaptor {
  public:
    // Fills `image` (the caller passes a freshly constructed one) from profile text. Only the
    // fields the profile carries are written; the unnamed feature and setting bits, the slots after
    // the last one filled, the scratch bytes and the counters keep their values. Contacts take the
    // slots in the order public groups, private groups, privates, and are then sorted by name
    // without regard to case (names equal but for case keep document order). Returns 1.
    //
    // Throws CVEXPRGException: 106 when the text is not a well-formed document, when version,
    // limit or setting is missing, or when an attribute that is read is missing (the detail names
    // the element and the attribute); 105 when the text carries a DOCTYPE, is larger than any
    // profile (kMaxProfileTextSize, kMaxProfileNodes, xml::kMaxAttributesPerElement) or holds more
    // than the image can (150 contacts, 25 text messages, 6 languages, 5 parent groups in one
    // Private).
    // Fields stored before a failure keep their new values.
    static int XML2VirtualCP(std::string_view text, VirtualCP& image,
                             ImageText form = ImageText::Radio);

    // Replaces `text` with the profile document of `image`, separators and all. Returns 1.
    static int VirtualCP2XML(const VirtualCP& image, std::string& text);
};

}  // namespace vex
