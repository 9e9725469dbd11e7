#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace vex {

namespace {

std::string Reason(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

class Fd {
  public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

  private:
    int m_fd;
};

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        error = Reason("cannot open", path, errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = Reason("cannot read", path, EISDIR);
        return false;
    }
    std::string out;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = Reason("cannot read", path, errno);
            return false;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    contents = std::move(out);
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& error) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + (folder.back() == '/' ? "" : "/") + "." + name + ".XXXXXX";
    Fd fd(::mkstemp(temporary.data()));
    if (fd.Get() < 0) {
        error = Reason("cannot write", path, errno);
        return false;
    }
    auto fail = [&](int code) {
        ::unlink(temporary.c_str());
        error = Reason("cannot write", path, code);
        return false;
    };
    struct stat existing {};
    mode_t mode = 0;
    if (::stat(path.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0644 & ~mask;
    }
    if (::fchmod(fd.Get(), mode) != 0) return fail(errno);
    for (std::size_t done = 0; done < contents.size();) {
        const ssize_t n = ::write(fd.Get(), contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.Get()) != 0) return fail(errno);
    if (::close(fd.Release()) != 0) return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);
    return true;
}

}  // namespace vex
