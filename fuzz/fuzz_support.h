#pragma once

// Shared by the fuzz targets: the model template of the source tree and a stop that libFuzzer
// reports as a finding.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/exception.h"
#include "common/strings.h"
#include "model/radio_data_model.h"

namespace vex::fuzz {

inline const std::string kDataFolder = VEX_SOURCE_DATA_DIR;
inline const std::string kTemplateFolder = kDataFolder + "/ProfileTemplate";

// A broken promise of the code under test: print it and abort, which libFuzzer records as a crash.
#define VEX_FUZZ_CHECK(condition)                                                              \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// Message ids a profile that does not load may raise; anything else is a finding.
inline bool IsProfileRefusal(int id) {
    return id == ids::kInvalidProfile || id == ids::kUnknownError || id == kUnsupportedRadioModel;
}

inline void Quiet(const std::string&) {}

}  // namespace vex::fuzz
