// Writes a full VEX480 profile (150 contacts with parent groups, 25 text messages) to a file, for
// the start-up measurement of the desktop application (bench/startup-bench).

#include <cstdio>
#include <string>

#include "common/exception.h"
#include "full_image.h"
#include "model/profile_document.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexbench-full-profile OUT.lam\n");
        return 2;
    }
    const std::string templates = std::string(VEX_SOURCE_DATA_DIR) + "/ProfileTemplate";
    std::string error;
    const auto image = vex::bench::FullImageOfTemplate(templates + "/V480.lam", error);
    if (!image) {
        std::fprintf(stderr, "vexbench-full-profile: %s\n", error.c_str());
        return 1;
    }
    try {
        vex::ProfileDocument document(templates);
        vex::VirtualCP full = *image;
        full.m_limits.pid = vex::bench::FullImage().m_limits.pid;  // one of its privates
        document.NewFromImage(full);
        document.Save(argv[1]);
    } catch (const vex::CVEXPRGException& e) {
        std::fprintf(stderr, "vexbench-full-profile: error %d%s\n", e.MessageId(),
                     e.Context().c_str());
        return 1;
    }
    return 0;
}
