#pragma once

// A virtual radio's codeplug kept in a profile file, as the programming software keeps its own.

#include <string>

#include "codeplug/virtual_cp.h"

namespace vex::sim {

// Reads a profile file (plain, or scrambled unless it begins with "<?xml") into a radio's codeplug.
// Throws CVEXPRGException when the text is no profile, std::runtime_error when the file cannot
// be read.
VirtualCP LoadRadioProfile(const std::string& path);

// Writes the radio's codeplug as a scrambled profile file: to a new file in the same folder, then
// renamed over `path`, so that a reader never sees half a file. The own record's flags are taken
// from the settings, as a read from the radio would show them. False with the reason in `error`.
bool SaveRadioProfile(const VirtualCP& image, const std::string& path, std::string& error);

}  // namespace vex::sim
