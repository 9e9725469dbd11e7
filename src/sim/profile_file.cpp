#include "sim/profile_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "codeplug/data_adaptor.h"
#include "common/file_io.h"
#include "model/profile_text.h"
#include "sim/virtual_radio.h"

namespace vex::sim {

namespace {

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

VirtualCP LoadRadioProfile(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadWholeFile(path, text, error, kMaxProfileTextSize)) throw std::runtime_error(error);
    UnscrambleUnlessBeginsWith(text, kXmlFileStart);
    SortProfileLists(text);
    VirtualCP image;
    CDataAdaptor::XML2VirtualCP(text, image);
    DropUnkeptFields(image);
    return image;
}

bool SaveRadioProfile(const VirtualCP& image, const std::string& path, std::string& error) {
    std::string text;
    try {
        VirtualCP shown = image;
        shown.ApplySettingsToOwnRecord();
        CDataAdaptor::VirtualCP2XML(shown, text);
        SortProfileLists(text);
        Scramble(text);
    } catch (const std::exception& e) {
        error = std::string("cannot make the profile text: ") + e.what();
        return false;
    }

    std::vector<char> temp(path.begin(), path.end());
    for (const char c : std::string_view(".XXXXXX")) temp.push_back(c);
    temp.push_back('\0');
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, text) && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
    const int writeErrno = errno;
    ok = close(fd) == 0 && ok;
    if (ok && rename(temp.data(), path.c_str()) == 0) return true;
    error = path + ": " + std::strerror(ok ? errno : writeErrno);
    unlink(temp.data());
    return false;
}

}  // namespace vex::sim
