// Profile text through the loader, as a file's text after unscrambling: sorted, parsed, checked
// against the schema, bound to the rule script (as ProfileDocument::LoadText does), then turned
// into an image (GetVirtualCPData: XML2VirtualCP on the saved text) and that image back into text.
// A refusal must be one of the profile errors; anything else escaping is a finding.

#include <cstddef>
#include <cstdint>
#include <string>

#include "codeplug/data_adaptor.h"
#include "fuzz_support.h"
#include "model/profile_document.h"
#include "model/profile_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One document for the whole run: the rule script is started once, as in the program.
    static vex::ProfileDocument doc(vex::fuzz::kTemplateFolder, vex::fuzz::Quiet);
    try {
        // What ProfileDocument::LoadText does with a file's text.
        std::string text(reinterpret_cast<const char*>(data), size);
        vex::SortProfileLists(text);
        if (doc.Model().LoadProfile(text, false) != 1) return 0;
        vex::VirtualCP image;
        doc.GetVirtualCPData(image);
        std::string back;
        vex::CDataAdaptor::VirtualCP2XML(image, back);
        VEX_FUZZ_CHECK(!back.empty());
    } catch (const vex::CVEXPRGException& e) {
        if (!vex::fuzz::IsProfileRefusal(e.MessageId())) {
            std::fprintf(stderr, "unexpected message %d:%s\n", e.MessageId(), e.Context().c_str());
            std::abort();
        }
    }
    return 0;
}
