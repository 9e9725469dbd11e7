#include "link/announced_ports.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

namespace vex {

namespace {

// Makes one folder level: it must end up a real folder of this user (in /tmp another user could
// have put something there first).
bool MakeOwnFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
}

bool MakeAnnouncementFolder(const std::string& folder) {
    // folder = <base>/<program folder>/ports; the base exists already.
    const auto slash = folder.rfind('/');
    if (slash == std::string::npos || slash == 0) return false;
    return MakeOwnFolder(folder.substr(0, slash)) && MakeOwnFolder(folder);
}

std::string OwnFileName() {
    return std::to_string(getpid());
}

// The pid a file name stands for; 0 for any other name (temporary files among them).
pid_t PidOfName(std::string_view name) {
    if (name.empty() || name.size() > 9) return 0;
    pid_t pid = 0;
    for (const char c : name) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid;
}

// What the system says of a process: whether it has ended (a zombie has) and when it started, in
// clock ticks since boot (empty when /proc does not say).
struct ProcessState {
    bool ended = false;
    std::string started;
};

ProcessState StateOf(pid_t pid) {
    ProcessState state;
    if (kill(pid, 0) == -1 && errno == ESRCH) {
        state.ended = true;
        return state;
    }
    std::ifstream in("/proc/" + (pid == getpid() ? std::string("self") : std::to_string(pid)) +
                     "/stat");
    std::string line;
    if (!std::getline(in, line)) return state;
    // "pid (name) S ppid ...": the name may hold spaces and parentheses, so count from the last
    // ')'. The state is the first field after it, the start time the twentieth.
    const auto close = line.rfind(')');
    if (close == std::string::npos) return state;
    std::istringstream fields(line.substr(close + 1));
    std::string field;
    for (int n = 1; n <= 20 && fields >> field; ++n) {
        if (n == 1) state.ended = field == "Z" || field == "X";
        if (n == 20) state.started = field;
    }
    return state;
}

// An announcement stands while its process runs and is the one that wrote it: a radio killed
// without a chance to withdraw leaves its file behind, and its pid may since have been given to
// another process.
bool AnnouncerIsGone(pid_t pid, const std::string& started) {
    const ProcessState state = StateOf(pid);
    return state.ended || (!state.started.empty() && state.started != started);
}

}  // namespace

std::string AnnouncementFolder() {
    try {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime != nullptr && runtime[0] == '/') {
            return std::string(runtime) + "/vex480-prg/ports";
        }
        return "/tmp/vex480-prg-" + std::to_string(getuid()) + "/ports";
    } catch (...) {
        return {};
    }
}

bool AnnouncePort(const std::string& device, const std::string& link) {
    try {
        const std::string folder = AnnouncementFolder();
        if (folder.empty() || !MakeAnnouncementFolder(folder)) return false;
        const std::string path = folder + "/" + OwnFileName();
        // A reader sees the old file or the new one, never half of one.
        const std::string temp = folder + "/." + OwnFileName() + ".tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out << device << '\n' << link << '\n' << StateOf(getpid()).started << '\n';
            out.flush();
            if (!out) {
                unlink(temp.c_str());
                return false;
            }
        }
        if (rename(temp.c_str(), path.c_str()) != 0) {
            unlink(temp.c_str());
            return false;
        }
        return true;
    } catch (...) {
        return false;
    }
}

void WithdrawPort() {
    try {
        const std::string folder = AnnouncementFolder();
        if (!folder.empty()) unlink((folder + "/" + OwnFileName()).c_str());
    } catch (...) {
    }
}

std::vector<AnnouncedPort> ListAnnouncedPorts() {
    std::vector<AnnouncedPort> ports;
    try {
        const std::string folder = AnnouncementFolder();
        if (folder.empty()) return ports;
        DIR* dir = opendir(folder.c_str());
        if (dir == nullptr) return ports;
        std::vector<std::string> names;
        while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
        closedir(dir);

        for (const std::string& name : names) {
            const pid_t pid = PidOfName(name);
            if (pid <= 0) continue;
            const std::string path = folder + "/" + name;
            std::ifstream in(path, std::ios::binary);
            AnnouncedPort port;
            port.pid = pid;
            std::string started;
            const bool read = std::getline(in, port.device) && !port.device.empty();
            std::getline(in, port.link);
            std::getline(in, started);
            if (AnnouncerIsGone(pid, started)) {
                unlink(path.c_str());
                continue;
            }
            if (read) ports.push_back(std::move(port));
        }
        std::sort(ports.begin(), ports.end(), [](const AnnouncedPort& a, const AnnouncedPort& b) {
            return a.device < b.device;
        });
    } catch (...) {
    }
    return ports;
}

}  // namespace vex
