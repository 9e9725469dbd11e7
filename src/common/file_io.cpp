#include "common/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
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
    return ReadWholeFile(path, contents, error, std::string::npos);
}

bool ReadWholeFile(const std::string& path, std::string& contents, std::string& error,
                   std::size_t limit, bool* tooLarge) {
    if (tooLarge != nullptr) *tooLarge = false;
    const auto refuseSize = [&] {
        error =
            "cannot read " + path + ": the file is larger than " + std::to_string(limit) + " bytes";
        if (tooLarge != nullptr) *tooLarge = true;
        return false;
    };
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
    if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > limit) {
        return refuseSize();
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
        if (static_cast<std::size_t>(n) > limit - out.size()) return refuseSize();
        out.append(buffer, static_cast<std::size_t>(n));
    }
    contents = std::move(out);
    return true;
}

namespace {

// The file that `path` names: symbolic links followed (a relative target is taken from the link's
// folder), so that a save replaces the target and keeps the link. A dangling link names the file
// it would create. False with errno set on a loop or a failed readlink.
bool FollowLinks(std::string path, std::string& target) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            target = std::move(path);
            return true;
        }
        std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) return false;
        link.resize(static_cast<std::size_t>(n));
        const auto slash = path.find_last_of('/');
        if (link.front() != '/' && slash != std::string::npos)
            link = path.substr(0, slash + 1) + link;
        path = std::move(link);
    }
    errno = ELOOP;
    return false;
}

// Temporary files of earlier saves of `name` in `folder` that were killed before their rename:
// ".NAME.XXXXXX" regular files that no running save holds its lock on.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::string prefix = "." + name + ".";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view candidate = entry->d_name;
        if (candidate.size() != prefix.size() + 6 || candidate.substr(0, prefix.size()) != prefix) {
            continue;
        }
        const std::string path = folder + std::string(candidate);
        Fd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        struct stat info {};
        if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) ::unlink(path.c_str());
    }
    ::closedir(dir);
}

}  // namespace

bool IsWriteProtected(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return false;
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& error) {
    std::string target;
    if (!FollowLinks(path, target)) {
        error = Reason("cannot write", path, errno);
        return false;
    }
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && IsWriteProtected(target)) {
        error = "cannot write " + path + ": the file is write-protected";
        return false;
    }
    const auto slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    RemoveStaleTemporaries(folder, name);
    std::string temporary = folder + "." + name + ".XXXXXX";
    Fd fd(::mkstemp(temporary.data()));
    if (fd.Get() < 0) {
        error = Reason("cannot write", path, errno);
        return false;
    }
    // Held until the rename, so that no other save takes this file for a stale one.
    ::flock(fd.Get(), LOCK_EX);
    auto fail = [&](int code) {
        ::unlink(temporary.c_str());
        error = Reason("cannot write", path, code);
        return false;
    };
    mode_t mode = 0;
    if (exists) {
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
    if (::rename(temporary.c_str(), target.c_str()) != 0) return fail(errno);
    if (::close(fd.Release()) != 0) {
        error = Reason("cannot write", path, errno);
        return false;
    }
    // The rename is on disk only once the folder is.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0 && ::fsync(dir.Get()) != 0) {
        error = Reason("cannot write", path, errno);
        return false;
    }
    return true;
}

}  // namespace vex
