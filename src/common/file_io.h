#pragma once

// Whole-file reads and atomic writes. No exceptions: failures come back with the system's reason.

#include <string>
#include <string_view>

namespace vex {

// Reads the whole file into `contents`; false with `error` set (the path and the system's reason).
bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error);

// Writes `contents` to a temporary file in the same folder, flushes it to disk and renames it over
// `path`, so that a failed write never leaves a partial file nor destroys the previous one. An
// existing file's permission bits are kept; a new file gets 0644 less the umask.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& error);

}  // namespace vex
