#pragma once

// The serial ports the user can choose from: the system's serial devices and every running
// virtual radio.

#include <string>
#include <string_view>
#include <vector>

namespace vex {

struct PortEntry {
    std::string device;       // the path to open, e.g. /dev/ttyUSB0
    std::string description;  // what the system says about it; may be empty

    bool operator==(const PortEntry&) const = default;
};

// The system's serial devices (as /dev paths) and the virtual radios announced by live processes,
// each described as "virtual radio (pid N)" and listed under the link the radio made, else under
// its device. Sorted as SortPortList does. Never opens a device.
std::vector<PortEntry> ListSerialPorts();

// Sorts by device path in plain byte order (so COM1, COM10, COM2), keeping only the first of
// entries with the same path (ListSerialPorts puts the system's ports first).
std::vector<PortEntry> SortPortList(std::vector<PortEntry> ports);

// The index of the entry whose device equals name, ignoring case; else 0, the first entry; -1 when
// the list is empty.
int SelectCurrentPort(const std::vector<PortEntry>& ports, std::string_view name);

}  // namespace vex
