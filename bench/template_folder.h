#pragma once

// The model template the benchmarks load: the source tree's, or the folder
// VEX_BENCH_TEMPLATE_FOLDER names (to compare rule script changes).

#include <cstdlib>
#include <string>

namespace vex::bench {

inline std::string TemplateFolder() {
    const char* other = std::getenv("VEX_BENCH_TEMPLATE_FOLDER");
    return other != nullptr && *other != '\0'
               ? std::string(other)
               : std::string(VEX_SOURCE_DATA_DIR) + "/ProfileTemplate";
}

}  // namespace vex::bench
