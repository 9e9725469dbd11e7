#include "settings/port_list.h"

#include <QList>
#include <QSerialPortInfo>
#include <algorithm>
#include <utility>

#include "common/text.h"
#include "link/announced_ports.h"

namespace vex {

std::vector<PortEntry> ListSerialPorts() {
    std::vector<PortEntry> ports;
    // availablePorts() only reads the system's device list (udev or sysfs); it opens nothing.
    const QList<QSerialPortInfo> system = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : system) {
        ports.push_back({info.systemLocation().toStdString(), info.description().toStdString()});
    }
    // A virtual radio's pseudo-terminal gets a new number on every start; the link it made, when
    // it made one, stays the same, so a stored choice of it still holds next time.
    for (const AnnouncedPort& port : ListAnnouncedPorts()) {
        ports.push_back({port.link.empty() ? port.device : port.link,
                         "virtual radio (pid " + std::to_string(port.pid) + ")"});
    }
    return SortPortList(std::move(ports));
}

std::vector<PortEntry> SortPortList(std::vector<PortEntry> ports) {
    std::stable_sort(ports.begin(), ports.end(),
                     [](const PortEntry& a, const PortEntry& b) { return a.device < b.device; });
    const auto duplicates =
        std::unique(ports.begin(), ports.end(),
                    [](const PortEntry& a, const PortEntry& b) { return a.device == b.device; });
    ports.erase(duplicates, ports.end());
    return ports;
}

int SelectCurrentPort(const std::vector<PortEntry>& ports, std::string_view name) {
    if (ports.empty()) return -1;
    const auto found = std::find_if(ports.begin(), ports.end(), [name](const PortEntry& entry) {
        return CompareUtf8NoCase(entry.device, name) == 0;
    });
    return found == ports.end() ? 0 : static_cast<int>(found - ports.begin());
}

}  // namespace vex
