// A profile file as it lies on disk (scrambled, or plain when it begins with "<?xml") opened the
// two ways the programs open one: ProfileDocument::Open (desktop application, command line) and
// LoadRadioProfile (the virtual radio's profile file). A refusal must be one of the profile
// errors; anything else escaping is a finding.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_support.h"
#include "model/profile_document.h"
#include "sim/profile_file.h"

namespace {

const std::string& FilePath() {
    static const std::string path = "/tmp/vex-fuzz-profile-" + std::to_string(getpid()) + ".lam";
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static vex::ProfileDocument doc(vex::fuzz::kTemplateFolder, vex::fuzz::Quiet);
    {
        std::ofstream out(FilePath(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        VEX_FUZZ_CHECK(out.good());
    }
    try {
        doc.Open(FilePath());
    } catch (const vex::CVEXPRGException& e) {
        if (!vex::fuzz::IsProfileRefusal(e.MessageId())) {
            std::fprintf(stderr, "unexpected message %d:%s\n", e.MessageId(), e.Context().c_str());
            std::abort();
        }
    }
    try {
        vex::VirtualCP image = vex::sim::LoadRadioProfile(FilePath());
        (void)image;
    } catch (const vex::CVEXPRGException& e) {
        if (!vex::fuzz::IsProfileRefusal(e.MessageId())) {
            std::fprintf(stderr, "unexpected message %d:%s\n", e.MessageId(), e.Context().c_str());
            std::abort();
        }
    }
    unlink(FilePath().c_str());
    return 0;
}
