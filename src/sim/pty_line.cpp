#include "sim/pty_line.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace vex::sim {

namespace {

constexpr std::size_t kReadChunk = 256;
// How long a write waits for the host to make room before the bytes are given up.
constexpr int kWriteWaitMs = 200;

std::string SystemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

// Raw 9600 8N1 without flow control, reads returning at once: nothing the radio writes may come
// back to it as an echo, whatever the host does to the line before it opens it.
bool MakeRaw(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

std::unique_ptr<PtyLine> PtyLine::Open(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = SystemError("posix_openpt");
        return nullptr;
    }
    char path[128] = {};
    int slave = -1;
    if (grantpt(master) != 0) {
        error = SystemError("grantpt");
    } else if (unlockpt(master) != 0) {
        error = SystemError("unlockpt");
    } else if (ptsname_r(master, path, sizeof path) != 0) {
        error = SystemError("ptsname_r");
    } else if ((slave = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC)) < 0) {
        error = SystemError(path);
    } else if (!MakeRaw(slave)) {
        error = SystemError("tcsetattr");
    } else if (fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
        error = SystemError("fcntl");
    } else {
        return std::unique_ptr<PtyLine>(new PtyLine(master, slave, path));
    }
    if (slave >= 0) close(slave);
    close(master);
    return nullptr;
}

PtyLine::PtyLine(int master, int slave, std::string path)
    : m_master(master), m_slave(slave), m_devicePath(std::move(path)) {}

PtyLine::~PtyLine() {
    if (m_slave >= 0) close(m_slave);
    if (m_master >= 0) close(m_master);
}

std::optional<std::uint8_t> PtyLine::ReadByte(std::chrono::milliseconds timeout) {
    if (m_pendingPos < m_pending.size()) return m_pending[m_pendingPos++];
    if (m_master < 0) {
        std::this_thread::sleep_for(timeout);
        return std::nullopt;
    }
    pollfd pfd{m_master, POLLIN, 0};
    const int ready = poll(&pfd, 1, static_cast<int>(timeout.count()));
    if (ready <= 0) return std::nullopt;  // nothing, or a signal: the caller comes back
    if ((pfd.revents & POLLIN) != 0) {
        m_pending.resize(kReadChunk);
        const ssize_t n = read(m_master, m_pending.data(), m_pending.size());
        if (n > 0) {
            m_pending.resize(static_cast<std::size_t>(n));
            m_pendingPos = 1;
            return m_pending[0];
        }
        m_pending.clear();
        m_pendingPos = 0;
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return std::nullopt;
    }
    // A hang-up (POLLHUP, EIO) comes when no slave descriptor is open; ours stays open, but should
    // the system report one anyway, wait it out rather than spin: the host may open again.
    std::this_thread::sleep_for(timeout);
    return std::nullopt;
}

bool PtyLine::Write(std::span<const std::uint8_t> bytes) {
    if (m_master < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = write(m_master, bytes.data(), bytes.size());
        if (n > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            // The host does not read: its queue is full. Wait a little for room, then give up.
            pollfd pfd{m_master, POLLOUT, 0};
            if (poll(&pfd, 1, kWriteWaitMs) > 0 && (pfd.revents & POLLOUT) != 0) continue;
        }
        return false;
    }
    return true;
}

void PtyLine::HangUp() {
    if (m_slave >= 0) close(m_slave);
    if (m_master >= 0) close(m_master);
    m_slave = -1;
    m_master = -1;
    m_pending.clear();
    m_pendingPos = 0;
    m_hungUp.store(true);
}

}  // namespace vex::sim
