#pragma once

// A virtual radio with its line and a thread that serves it: what tests, benchmarks and the
// command-line tool's self-checks start when they need a radio to talk to.

#include <memory>
#include <string>

#include "link/transfer_engine.h"
#include "sim/memory_line.h"
#include "sim/pty_line.h"
#include "sim/radio_server.h"
#include "sim/virtual_radio.h"

namespace vex::sim {

class BackgroundRadio {
  public:
    // On an in-memory line; not yet serving.
    static std::unique_ptr<BackgroundRadio> OnMemoryLine(VirtualCP image);
    // On a new pseudo-terminal; null with the reason in `error` when none can be had.
    static std::unique_ptr<BackgroundRadio> OnPseudoTerminal(VirtualCP image, std::string& error);

    ~BackgroundRadio();  // stops serving

    BackgroundRadio(const BackgroundRadio&) = delete;
    BackgroundRadio& operator=(const BackgroundRadio&) = delete;

    VirtualRadio& Radio() { return m_radio; }
    RadioServer& Server() { return m_server; }

    // The host's ports: of the in-memory line (whatever the name), or SerialPort on the
    // pseudo-terminal's device (the name is ignored too).
    PortFactory HostPorts();
    // The pseudo-terminal's device, or empty for an in-memory line.
    std::string DevicePath() const;

    void Start() { m_thread.Start(); }
    void Stop() { m_thread.Stop(); }

  private:
    BackgroundRadio(VirtualCP image, std::unique_ptr<MemoryLine> memory,
                    std::unique_ptr<PtyLine> pty);

    std::unique_ptr<MemoryLine> m_memory;
    std::unique_ptr<PtyLine> m_pty;
    VirtualRadio m_radio;
    RadioServer m_server;
    RadioThread m_thread;
};

}  // namespace vex::sim
