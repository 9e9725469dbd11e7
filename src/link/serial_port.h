#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct termios;

namespace vex {

// Purge flags, as the radio link uses them.
namespace purge {
inline constexpr std::uint32_t kAbortWrite = 1;
inline constexpr std::uint32_t kAbortRead = 2;
inline constexpr std::uint32_t kClearOutput = 4;
inline constexpr std::uint32_t kClearInput = 8;
inline constexpr std::uint32_t kAll = 15;
}  // namespace purge

// One open serial port for the duration of one radio operation, on POSIX termios.
//
// The constructor opens the device exclusively and configures it for the radio link: raw 9600 baud,
// 8 data bits, no parity, 1 stop bit, no flow control, a read limit of 100 ms per requested byte
// and a write limit of 120 ms in all. It never throws: a failure leaves the port closed and the
// reason in LastError() (an errno value). The port name is a device path; a bare name such as
// "ttyUSB0" means that device in /dev. A path that is no terminal fails with ENOTTY.
//
// A port is held when another program has it open exclusively (TIOCEXCL, which does not stop
// root), holds a flock() on it, or has left a UUCP lock file /run/lock/LCK..<name> naming a live
// process (as Qt's serial port and other serial programs do); each of these fails the open with
// EBUSY. <name> is the resolved device path below /dev with '/' as '_' (LCK..ttyUSB0,
// LCK..pts_3); the pid in it is ASCII, or a 4-byte binary int in old files. A lock file of a dead
// process is stale: it is replaced. While open, the port keeps its own lock file (its pid, ASCII,
// 10 characters and a newline) when the folder is writable, and goes without one when it is not.
// The environment variable VEX480_LOCK_DIR, when set, names another lock folder.
//
// Made, used and destroyed by one worker thread; no operation is thread-safe.
//
// The virtual operations let a test or the in-memory line stand in for a device behind the
// radio protocol: such a port derives from SerialPort and uses the protected constructor.
class SerialPort {
  public:
    explicit SerialPort(std::string_view portName);
    virtual ~SerialPort();

    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Reads up to count bytes into buffer. With exact set, waits for count bytes, giving up when
    // 100 ms per requested byte have passed in all (a pause between two bytes does not end the
    // read while time is left); with exact clear, reads only what is already waiting (0 at once
    // when nothing is). Returns the number of bytes read; 0 when the port is closed or nothing
    // came in time. Starts with ClearErrors(); a failure, a hang-up included, ends the read early
    // and is recorded in LastError(), running out of time is not.
    virtual std::int32_t Read(std::uint8_t* buffer, std::uint32_t count, bool exact);

    // Writes count bytes, taking at most 120 ms; returns the number written (0 when closed).
    // Time running out before all are written is recorded in LastError() as ETIMEDOUT.
    virtual std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count);

    // Discards queued input and/or output (see purge flags; the abort flags have nothing to do, as
    // no transfer outlives its call). Resets LastError() to 0, or to the errno when it fails. Fails
    // on a closed port without touching LastError().
    virtual bool Purge(std::uint32_t flags);

    // Clears the line's error state and resets LastError() to 0. queueStatus, when given, receives
    // the number of bytes waiting to be read; errorMask the errors cleared (always 0 here: termios
    // reports framing and parity errors in-band, which the raw mode switches off). Fails on a
    // closed port without touching LastError(), giving 0 in both outputs.
    virtual bool ClearErrors(std::uint32_t* queueStatus = nullptr,
                             std::uint32_t* errorMask = nullptr);

    // Purges everything, puts back the settings the device had before the open, releases the locks
    // and closes; success at once when already closed.
    virtual bool Close();

    virtual bool IsOpen() const { return m_fd >= 0; }

    // The errno of the last operation that recorded one; 0 after a successful open and after
    // ClearErrors. A port is usable when it is open and LastError() is 0.
    std::uint32_t LastError() const { return m_lastError; }

    const std::string& PortName() const { return m_portName; }

    // Why the open failed, for the user: the system's reason and what to do about it (no such
    // device; permission denied: join the group that owns the device, usually "dialout"; busy:
    // another program holds it). Empty when the port opened.
    std::string OpenFailureHint() const;

  protected:
    // A port that is no device: closed until the derived class says otherwise through IsOpen().
    SerialPort();

    std::uint32_t m_lastError = 0;

  private:
    void Open();
    void ReleaseLockFile();

    std::string m_portName;
    // The device opened: the port name, or /dev/<name> for a bare name such as "ttyUSB0".
    std::string m_devicePath;
    int m_fd = -1;
    int m_openErrno = 0;
    // The device's settings before the open, put back by Close(); null while closed.
    std::unique_ptr<termios> m_savedSettings;
    // The UUCP lock file this port created; empty when it made none.
    std::string m_lockFile;
};

}  // namespace vex
