#pragma once

// A line in memory between a virtual radio and the host's radio protocol: the whole host stack
// runs against the radio in one process, at memory speed (the radio's pacing, when on, still
// gives real line timing).

#include <cstdint>
#include <memory>

#include "link/serial_port.h"
#include "link/transfer_engine.h"
#include "sim/radio_line.h"

namespace vex::sim {

namespace detail {
struct MemoryLineState;
}

class MemoryLine {
  public:
    MemoryLine();
    ~MemoryLine();

    MemoryLine(const MemoryLine&) = delete;
    MemoryLine& operator=(const MemoryLine&) = delete;

    // The radio's end; lives as long as the line.
    RadioLine& RadioEnd() { return *m_radioEnd; }

    // Opens the host's end as a device is opened: input waiting from the radio is dropped, and
    // while another host port of this line is open the new one stays closed with LastError()
    // EBUSY. The port behaves as SerialPort says (exact reads wait 100 ms per requested byte);
    // after the radio hung up, reads and writes give 0 with LastError() EIO, as a pty does. A port
    // may outlive the line object: it then talks to nobody.
    std::unique_ptr<SerialPort> OpenHostPort();

    // A port factory for the transfer engine that opens host ports of this line, whatever the
    // port name.
    PortFactory HostPortFactory();

  private:
    std::shared_ptr<detail::MemoryLineState> m_state;
    std::unique_ptr<RadioLine> m_radioEnd;
};

}  // namespace vex::sim
