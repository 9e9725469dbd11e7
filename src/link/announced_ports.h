#pragma once

// Virtual radios announce the device path they serve in a per-user runtime folder, so that port
// lists can offer them beside the system's serial ports (pseudo-terminals are in no system list).
//
// The folder is $XDG_RUNTIME_DIR/vex480-prg/ports when XDG_RUNTIME_DIR is set, else
// /tmp/vex480-prg-<uid>/ports. Each running virtual radio keeps one file there, named after its
// process id, holding its device path, the symlink it made (or an empty line) and the time the
// process started (as /proc gives it), which tells the radio from a later process with its pid.

#include <sys/types.h>

#include <string>
#include <vector>

namespace vex {

struct AnnouncedPort {
    std::string device;  // e.g. /dev/pts/7
    std::string link;    // the symlink the radio made to it, or empty
    pid_t pid = 0;       // the virtual radio's process
};

std::string AnnouncementFolder();

// Writes this process's announcement; false when the folder cannot be made or written.
bool AnnouncePort(const std::string& device, const std::string& link);

// Removes this process's announcement.
void WithdrawPort();

// The announcements of running virtual radios, sorted by device path. Files left by radios that no
// longer run (ended, or ended unreaped, or whose pid another process now has) are removed on the
// way.
std::vector<AnnouncedPort> ListAnnouncedPorts();

}  // namespace vex
