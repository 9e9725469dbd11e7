#include "link/serial_port.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>
#include <vector>

namespace vex {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kReadLimitPerByte{100};
constexpr std::chrono::milliseconds kWriteLimit{120};
constexpr const char* kLockDirVariable = "VEX480_LOCK_DIR";
constexpr const char* kDefaultLockDir = "/run/lock";

class UniqueFd {
  public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() {
        // Never retried on EINTR: Linux releases the descriptor whatever close() returns.
        if (m_fd >= 0) ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }
    int Release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

std::uint32_t ErrnoCode(int error) {
    return static_cast<std::uint32_t>(error);
}

// Whole milliseconds for poll(), rounded up so that a wait never ends before its deadline.
int PollTimeout(Clock::duration left) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(ms, 0, INT_MAX));
}

std::string DevicePath(std::string_view portName) {
    // A bare name such as "ttyUSB0" (as port lists show them) means the device in /dev, never a
    // file in the working folder.
    if (!portName.empty() && portName.find('/') == std::string_view::npos) {
        return "/dev/" + std::string(portName);
    }
    return std::string(portName);
}

std::string LockDirectory() {
    const char* dir = std::getenv(kLockDirVariable);
    return dir != nullptr && *dir != '\0' ? std::string(dir) : std::string(kDefaultLockDir);
}

// The lock file's name for a device, from its resolved path so that every name of one device
// (/dev/serial/by-id links, say) shares one lock: /dev/ttyUSB0 gives LCK..ttyUSB0, and a device
// in a sub-folder of /dev keeps the folder, /dev/pts/3 giving LCK..pts_3, the name other serial
// programs use for it.
std::string LockFileName(std::string_view realPath) {
    constexpr std::string_view kDev = "/dev/";
    std::string name;
    if (realPath.starts_with(kDev)) {
        name = realPath.substr(kDev.size());
    } else {
        const auto slash = realPath.rfind('/');
        name = slash == std::string_view::npos ? realPath : realPath.substr(slash + 1);
    }
    std::replace(name.begin(), name.end(), '/', '_');
    return "LCK.." + name;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The pid a lock file names, or 0 when it names none. The usual form is ASCII decimal, padded
// with spaces to 10 characters and ended by a newline (some programs add lines after it); old
// programs wrote the pid as a 4-byte binary int in host order. A binary pid always holds a zero
// byte (pid_max is below 2^22), which no text form does.
pid_t ParseLockPid(std::string_view text) {
    if (text.size() == 4 && text.find('\0') != std::string_view::npos) {
        std::int32_t value = 0;
        std::memcpy(&value, text.data(), sizeof value);
        return value > 0 ? static_cast<pid_t>(value) : 0;
    }
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        if (digits == 10) return 0;
        value = value * 10 + (text[i] - '0');
    }
    if (digits == 0 || value > INT32_MAX) return 0;
    if (i < text.size() && !IsBlank(text[i])) return 0;
    return static_cast<pid_t>(value);
}

bool ProcessIsAlive(pid_t pid) {
    // EPERM: the process exists but belongs to someone else.
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

enum class LockOwner { kGone, kLive, kStale, kUnknown };

LockOwner ReadLockOwner(const std::string& path, pid_t* pid = nullptr) {
    // O_NONBLOCK: a FIFO planted under the lock's name must not hang the open.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT) return LockOwner::kGone;
        // A symbolic link is no lock file; removing it removes only the link.
        return errno == ELOOP ? LockOwner::kStale : LockOwner::kUnknown;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) return LockOwner::kUnknown;
    if (!S_ISREG(info.st_mode)) return LockOwner::kStale;
    std::array<char, 64> bytes{};
    ssize_t n = 0;
    do {
        n = ::read(fd.Get(), bytes.data(), bytes.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) return LockOwner::kUnknown;
    const pid_t owner = ParseLockPid({bytes.data(), static_cast<std::size_t>(n)});
    if (pid != nullptr) *pid = owner;
    return owner > 0 && ProcessIsAlive(owner) ? LockOwner::kLive : LockOwner::kStale;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

enum class LockResult { kCreated, kHeld, kNotCreated };

// Takes the UUCP lock file at path. A file naming a live process (or one that cannot be read, so
// that its owner cannot be ruled out) holds the port; a stale one is removed and replaced.
LockResult AcquireLockFile(const std::string& path) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        UniqueFd fd(
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (fd) {
            std::array<char, 16> line{};
            const int length =
                std::snprintf(line.data(), line.size(), "%10ld\n", static_cast<long>(::getpid()));
            // The umask may have narrowed the mode; other programs must be able to read it.
            ::fchmod(fd.Get(), 0644);
            if (length > 0 && WriteAll(fd.Get(), line.data(), static_cast<std::size_t>(length))) {
                return LockResult::kCreated;
            }
            ::unlink(path.c_str());
            return LockResult::kNotCreated;
        }
        // EEXIST comes before any permission check, so an existing file is always examined;
        // any other error means the folder is missing or not ours to write: go on without.
        if (errno != EEXIST) return LockResult::kNotCreated;
        switch (ReadLockOwner(path)) {
            case LockOwner::kGone:
                continue;
            case LockOwner::kLive:
            case LockOwner::kUnknown:
                return LockResult::kHeld;
            case LockOwner::kStale:
                if (::unlink(path.c_str()) != 0 && errno != ENOENT) return LockResult::kNotCreated;
                continue;
        }
    }
    return LockResult::kNotCreated;
}

void MakeRaw(termios& settings) {
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXON | IXOFF | IXANY | INPCK | IUCLC);
    settings.c_iflag |= IGNPAR;
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG |
                                               IEXTEN | NOFLSH | TOSTOP);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 1;
    ::cfsetispeed(&settings, B9600);
    ::cfsetospeed(&settings, B9600);
}

std::string GroupName(gid_t gid) {
    long size = ::sysconf(_SC_GETGR_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 4096);
    group entry{};
    group* found = nullptr;
    while (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1U << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    return found != nullptr && found->gr_name != nullptr ? std::string(found->gr_name)
                                                         : std::string();
}

}  // namespace

SerialPort::SerialPort() = default;

SerialPort::SerialPort(std::string_view portName) : m_portName(portName) {
    Open();
}

SerialPort::~SerialPort() {
    if (m_fd >= 0) Close();
}

void SerialPort::Open() {
    m_devicePath = DevicePath(m_portName);
    auto fail = [this](int error) {
        m_openErrno = error;
        m_lastError = ErrnoCode(error);
        ReleaseLockFile();
    };
    if (m_devicePath.empty()) return fail(ENOENT);

    std::unique_ptr<char, decltype(&std::free)> realPath(::realpath(m_devicePath.c_str(), nullptr),
                                                         &std::free);
    if (!realPath) return fail(errno);

    // The lock file comes first: opening a port may already toggle its modem lines under the
    // program that holds it.
    const std::string lockPath = LockDirectory() + "/" + LockFileName(realPath.get());
    switch (AcquireLockFile(lockPath)) {
        case LockResult::kHeld:
            return fail(EBUSY);
        case LockResult::kCreated:
            m_lockFile = lockPath;
            break;
        case LockResult::kNotCreated:
            break;
    }

    // O_NONBLOCK so that the open does not wait for a carrier before CLOCAL is set. The open
    // fails with EBUSY by itself when a holder has set TIOCEXCL, unless we are root.
    UniqueFd fd(::open(realPath.get(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) return fail(errno);
    if (!::isatty(fd.Get())) return fail(ENOTTY);
    // flock() only stops programs that flock too, but unlike TIOCEXCL it stops root as well.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return fail(EBUSY);

    auto saved = std::make_unique<termios>();
    if (::tcgetattr(fd.Get(), saved.get()) != 0) return fail(errno);
    termios settings = *saved;
    MakeRaw(settings);
    if (::tcsetattr(fd.Get(), TCSANOW, &settings) != 0) return fail(errno);

    // Reads wait in poll(); the descriptor itself blocks, so that VMIN/VTIME hold for a plain read.
    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::tcsetattr(fd.Get(), TCSANOW, saved.get());
        return fail(error);
    }

    // Both best effort: TIOCEXCL keeps out other users' programs only (never root's), and a
    // pseudo-terminal has no modem lines.
    ::ioctl(fd.Get(), TIOCEXCL);
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd.Get(), TIOCMBIS, &lines);

    ::tcflush(fd.Get(), TCIOFLUSH);
    m_savedSettings = std::move(saved);
    m_fd = fd.Release();
    m_lastError = 0;
}

void SerialPort::ReleaseLockFile() {
    if (m_lockFile.empty()) return;
    // Remove it only while it still names us: a program that found it stale may have replaced it.
    pid_t owner = 0;
    ReadLockOwner(m_lockFile, &owner);
    if (owner == ::getpid()) ::unlink(m_lockFile.c_str());
    m_lockFile.clear();
}

std::int32_t SerialPort::Read(std::uint8_t* buffer, std::uint32_t count, bool exact) {
    if (m_fd < 0) return 0;
    std::uint32_t waiting = 0;
    ClearErrors(&waiting);
    if (!exact) count = std::min(count, waiting);
    count = std::min<std::uint32_t>(count, INT32_MAX);
    if (count == 0 || buffer == nullptr) return 0;

    // One limit for the whole read, 100 ms per requested byte: a pause between two bytes does not
    // end the read while time is left.
    const auto deadline = Clock::now() + kReadLimitPerByte * count;
    std::uint32_t got = 0;
    while (got < count) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) break;
        pollfd request{m_fd, POLLIN, 0};
        const int ready = ::poll(&request, 1, PollTimeout(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) {
            m_lastError = ErrnoCode(errno);
            break;
        }
        if (ready == 0) break;
        const ssize_t n = ::read(m_fd, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        // Readable yet nothing to read is a hang-up; a pseudo-terminal whose master has gone
        // reports EIO instead.
        m_lastError = ErrnoCode(n < 0 ? errno : EIO);
        break;
    }
    return static_cast<std::int32_t>(got);
}

std::int32_t SerialPort::Write(const std::uint8_t* buffer, std::uint32_t count) {
    if (m_fd < 0) return 0;
    count = std::min<std::uint32_t>(count, INT32_MAX);
    if (count == 0 || buffer == nullptr) return 0;

    // A blocking write waits without limit while the output queue is full (flow stopped, a line
    // nobody reads), so the descriptor is non-blocking for the length of the write.
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags < 0 || ::fcntl(m_fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        m_lastError = ErrnoCode(errno);
        return 0;
    }
    const auto deadline = Clock::now() + kWriteLimit;
    std::uint32_t written = 0;
    while (written < count) {
        const ssize_t n = ::write(m_fd, buffer + written, count - written);
        if (n > 0) {
            written += static_cast<std::uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            m_lastError = ErrnoCode(n < 0 ? errno : EIO);
            break;
        }
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            m_lastError = ErrnoCode(ETIMEDOUT);
            break;
        }
        pollfd request{m_fd, POLLOUT, 0};
        const int ready = ::poll(&request, 1, PollTimeout(left));
        if (ready < 0 && errno != EINTR) {
            m_lastError = ErrnoCode(errno);
            break;
        }
        if (ready == 0) {
            m_lastError = ErrnoCode(ETIMEDOUT);
            break;
        }
    }
    ::fcntl(m_fd, F_SETFL, flags);
    return static_cast<std::int32_t>(written);
}

bool SerialPort::Purge(std::uint32_t flags) {
    if (m_fd < 0) return false;
    m_lastError = 0;
    // Transfers here are synchronous, so the two abort flags find nothing pending to abort.
    const bool input = (flags & purge::kClearInput) != 0;
    const bool output = (flags & purge::kClearOutput) != 0;
    if (!input && !output) return true;
    const int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
    if (::tcflush(m_fd, queue) != 0) {
        m_lastError = ErrnoCode(errno);
        return false;
    }
    return true;
}

bool SerialPort::ClearErrors(std::uint32_t* queueStatus, std::uint32_t* errorMask) {
    if (queueStatus != nullptr) *queueStatus = 0;
    if (errorMask != nullptr) *errorMask = 0;
    if (m_fd < 0) return false;
    m_lastError = 0;
    int waiting = 0;
    if (::ioctl(m_fd, FIONREAD, &waiting) != 0) {
        m_lastError = ErrnoCode(errno);
        return false;
    }
    if (queueStatus != nullptr) *queueStatus = static_cast<std::uint32_t>(std::max(waiting, 0));
    return true;
}

bool SerialPort::Close() {
    if (m_fd < 0) return true;
    // Each step is best effort: an unplugged adapter fails them all, and must still be closed.
    ::tcflush(m_fd, TCIOFLUSH);
    if (m_savedSettings) ::tcsetattr(m_fd, TCSANOW, m_savedSettings.get());
    // TIOCEXCL outlives our descriptor while anyone else keeps the terminal open.
    ::ioctl(m_fd, TIOCNXCL);
    const int closed = ::close(m_fd);
    const int error = errno;
    m_fd = -1;
    m_savedSettings.reset();
    // Only after the close, so that the next program finds the device free once the lock is gone.
    ReleaseLockFile();
    if (closed != 0 && error != EINTR) {
        m_lastError = ErrnoCode(error);
        return false;
    }
    return true;
}

std::string SerialPort::OpenFailureHint() const {
    if (m_fd >= 0 || m_openErrno == 0) return {};
    const std::string& device = m_devicePath;
    // The system's text for ENOTTY ("Inappropriate ioctl for device") would only puzzle a user.
    if (m_openErrno == ENOTTY) {
        return "Cannot open " + device + ": it is not a serial port. Check the port name.";
    }
    std::string hint =
        "Cannot open " + device + ": " + std::system_category().message(m_openErrno) + ". ";
    switch (m_openErrno) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            hint += "There is no such device: check the cable and the port name.";
            break;
        case EACCES:
        case EPERM: {
            struct stat info {};
            std::string group;
            if (::stat(device.c_str(), &info) == 0 && info.st_gid != 0) {
                group = GroupName(info.st_gid);
            }
            hint += "Permission denied: add your user to the group that owns " + device +
                    (group.empty() ? " (usually \"dialout\")" : " (\"" + group + "\")") +
                    " and log in again.";
            break;
        }
        case EBUSY:
            hint += "Another program holds the port: close it and try again.";
            break;
        default:
            break;
    }
    if (hint.ends_with(' ')) hint.pop_back();
    return hint;
}

}  // namespace vex
