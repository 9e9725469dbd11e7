// Writes the small seed corpora of the fuzz targets into the folder given (fuzz/corpus): replies
// and host frames, the radio forms of a full image, and profile texts (the model templates, the
// rule test's profile, a cut-down full image's profile), plain and scrambled. Run once when the
// forms or the profile text change; the corpora are checked in.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../bench/full_image.h"
#include "codeplug/radio_forms.h"
#include "common/file_io.h"
#include "link/radio_protocol.h"
#include "model/profile_text.h"

namespace {

namespace fs = std::filesystem;
using vex::Bytes;

fs::path g_root;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(g_root / target);
    std::ofstream out(g_root / target / name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    Write(target, name, std::string(bytes.begin(), bytes.end()));
}

Bytes Frame(std::uint8_t type, std::uint8_t opcode, const Bytes& payload) {
    std::array<std::uint8_t, vex::kFrameBufferSize> out{};
    const std::size_t n = vex::RadioProtocol::BuildFrame(type, opcode, payload, out);
    return Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(n));
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::string ReadOrDie(const std::string& path) {
    std::string text;
    std::string error;
    if (!vex::ReadWholeFile(path, text, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    g_root = argv[1];
    const std::string data = VEX_SOURCE_DATA_DIR;
    const vex::VirtualCP image = vex::bench::FullImage();

    // Replies (lead-in, then a frame of type 41 or a status type) and host frames (type 9B).
    const Bytes lead{vex::kLeadIn};
    const auto version = vex::EncodeVersionInfo(image.m_version);
    const Bytes versionForm(version.begin(), version.end());
    const Bytes limitsForm = *vex::EncodeRadioLimits(image.m_limits);
    const Bytes contactForm = *vex::EncodeContactRecord(image.m_contacts[60]);
    Write("frame_receiver", "short-reply", Cat({lead, Frame(0x41, 'P', {})}));
    Write("frame_receiver", "version-reply", Cat({lead, Frame(0x41, 'E', versionForm)}));
    Write("frame_receiver", "limits-reply", Cat({lead, Frame(0x41, 'F', limitsForm)}));
    Write("frame_receiver", "status-reply", Cat({lead, Frame(0x84, 0, {0, 0, 7, 'A'})}));
    Write("frame_receiver", "host-frames",
          Cat({Frame(0x9B, 'E', {}), Frame(0x9B, 'H', Cat({{3, 1}, contactForm})),
               Frame(0x9B, 'P', limitsForm)}));

    // Radio forms: the first byte picks the decoder (version, limits, settings, contact, text).
    Write("radio_forms", "version", Cat({{0}, versionForm}));
    Write("radio_forms", "limits", Cat({{1}, limitsForm}));
    Write("radio_forms", "settings", Cat({{2}, *vex::EncodeRadioSettings(image.m_settings)}));
    Write("radio_forms", "private", Cat({{3}, contactForm}));
    Write("radio_forms", "group", Cat({{3}, *vex::EncodeContactRecord(image.m_contacts[3])}));
    Write("radio_forms", "text", Cat({{4}, *vex::EncodeTextMessage(image.m_texts[0])}));

    // Profile texts, plain for the loader and the reports, scrambled for the file target.
    // The full image cut down to a few contacts of each kind (the own entry, PID 1050, among
    // them) and three text messages: every element kind in a few KB.
    vex::VirtualCP few = image;
    for (std::size_t i = 0; i < vex::kContactSlots; ++i) {
        if (i > 1 && (i < 20 || i > 21) && (i < 50 || i > 52)) few.m_contacts[i] = {};
    }
    for (std::size_t i = 3; i < vex::kTextSlots; ++i) few.m_texts[i].clear();
    std::string full;
    vex::CDataAdaptor::VirtualCP2XML(few, full);
    const std::vector<std::pair<std::string, std::string>> profiles = {
        {"V480", ReadOrDie(data + "/ProfileTemplate/V480.lam")},
        {"V440", ReadOrDie(data + "/ProfileTemplate/V440.lam")},
        {"two_channels",
         ReadOrDie(std::string(VEX_SOURCE_TESTS_DIR) + "/model/fixtures/rules/two_channels.lam")},
        {"few", full},
    };
    for (const auto& [name, text] : profiles) {
        std::string plain = text;
        vex::UnscrambleUnlessBeginsWith(plain, vex::kXmlFileStart);
        Write("profile_text", name, plain);
        Write("report", name, plain);
        std::string scrambled = plain;
        vex::Scramble(scrambled);
        Write("scrambled_file", name, scrambled);
    }
    Write("scrambled_file", "plain", profiles[0].second);
    return 0;
}
