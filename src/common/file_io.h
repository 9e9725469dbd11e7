#pragma once

// Whole-file reads and atomic writes. No exceptions: failures come back with the system's reason.

#include <string>
#include <string_view>

namespace vex {

// Reads the whole file into `contents`; false with `error` set (the path and the system's reason).
// With `limit`, a file (or pipe, or device) that holds more than `limit` bytes is not read past
// that point: false with `error` saying so, and `tooLarge` (when given) set.
bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error);
bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error,
                   std::size_t limit, bool* tooLarge = nullptr);

// True when `path` is an existing file that may not be replaced: it has no write bit at all (so
// also for root, as a read-only file anywhere), or this user may not write it.
bool IsWriteProtected(const std::string& path);

// Writes `contents` to a temporary file ".NAME.XXXXXX" in the same folder, flushes it to disk and
// renames it over `path`, then flushes the folder, so that a failed write never leaves a partial
// file nor destroys the previous one. A symbolic link is followed: the file it names is replaced
// and the link kept. A write-protected file (IsWriteProtected) is refused. An existing file's
// permission bits are kept; a new file gets 0644 less the umask. Temporary files of earlier saves
// of the same file that were killed before their rename are removed.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& error);

}  // namespace vex
