#pragma once

// A pseudo-terminal line: the host opens the slave device like a serial port; the radio serves the
// master side.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "sim/radio_line.h"

namespace vex::sim {

class PtyLine final : public RadioLine {
  public:
    // A new pseudo-terminal with its slave in raw 9600 8N1; null with the reason in `error` when
    // the system gives none.
    static std::unique_ptr<PtyLine> Open(std::string& error);
    ~PtyLine() override;

    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    // The slave's path (/dev/pts/N), for the host.
    const std::string& DevicePath() const { return m_devicePath; }

    std::optional<std::uint8_t> ReadByte(std::chrono::milliseconds timeout) override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    // Closes the pseudo-terminal: the host's reads and writes on the slave fail with EIO.
    void HangUp() override;
    bool IsHungUp() const override { return m_hungUp.load(); }

  private:
    PtyLine(int master, int slave, std::string path);

    int m_master = -1;
    // The radio's own slave descriptor. Without it the master reads EIO each time the host closes
    // the device between two operations. It takes no flock() and sets no TIOCEXCL, so the host's
    // exclusive open is not disturbed.
    int m_slave = -1;
    std::string m_devicePath;
    std::atomic<bool> m_hungUp{false};
    // Bytes read from the master but not yet handed out.
    std::vector<std::uint8_t> m_pending;
    std::size_t m_pendingPos = 0;
};

}  // namespace vex::sim
