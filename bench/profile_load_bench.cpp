// Opening profile files the way the desktop application and the command line do
// (ProfileDocument::Open: read, unscramble, sort, parse, validate against the schema, rule script):
//   - inputs that cannot be profiles, up to 64 MB: each must be refused (105) in under 0.2 s;
//   - a full VEX480 profile (full_image.h): each open must take under 20 ms (median of 25).
// A plain timed program rather than a Google Benchmark: every input is built once, written to a
// file and opened a few times; the slowest open counts. Exits 1 when a goal is missed.
// The environment variable VEX_BENCH_TEMPLATE_FOLDER replaces the source tree's template folder.

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/exception.h"
#include "full_image.h"
#include "model/profile_document.h"
#include "model/profile_text.h"
#include "template_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
using vex::ProfileDocument;

constexpr double kRefuseGoalSeconds = 0.2;
constexpr double kOpenGoalSeconds = 0.020;
constexpr std::size_t kMegabyte = 1u << 20;

const std::string kTemplateFolder = vex::bench::TemplateFolder();

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "profile_load_bench: %s\n", what.c_str());
    std::exit(2);
}

void Quiet(const std::string&) {}

// The full profile's plain text, lists sorted, as Save writes it before scrambling.
std::string FullProfileText() {
    std::string error;
    auto image = vex::bench::FullImageOfTemplate(kTemplateFolder + "/V480.lam", error);
    if (!image) Fail(error);
    ProfileDocument doc(kTemplateFolder, Quiet);
    doc.NewFromImage(*image);
    return doc.ProfileText();
}

// The full profile with `element` repeated after the opening tag `openTag` until the text is
// `size` bytes or a little more.
std::string Grow(const std::string& full, const std::string& openTag, const std::string& element,
                 std::size_t size) {
    const std::size_t at = full.find(openTag);
    if (at == std::string::npos) Fail("no " + openTag + " in the full profile");
    const std::size_t insertAt = at + openTag.size();
    std::string text;
    text.reserve(size + element.size() + full.size());
    text.append(full, 0, insertAt);
    while (text.size() + full.size() - insertAt < size) text += element;
    text.append(full, insertAt, std::string::npos);
    return text;
}

// The first Private element of the full profile.
std::string OnePrivate(const std::string& full) {
    const std::size_t start = full.find("<Private ");
    const std::size_t end = full.find("</Private>", start);
    if (start == std::string::npos || end == std::string::npos) Fail("no Private");
    return full.substr(start, end + 10 - start);
}

struct Input {
    std::string name;
    std::function<std::string()> make;
    bool scramble = true;
    bool mayOpen = false;  // a valid profile, however odd: it may open, but in time as well
};

class Folder {
  public:
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vex-load-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp failed");
        m_path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string Write(const std::string& name, const std::string& contents) const {
        const std::string path = m_path + "/" + name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << contents;
        if (!out.good()) Fail("cannot write " + path);
        return path;
    }

  private:
    std::string m_path;
};

// Seconds for one Open of `path` in a fresh document; `id` gets the message id (0: opened).
double TimeOpen(const std::string& path, int& id) {
    ProfileDocument doc(kTemplateFolder, Quiet);
    const auto start = Clock::now();
    id = 0;
    try {
        doc.Open(path);
    } catch (const vex::CVEXPRGException& e) {
        id = e.MessageId();
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const Folder folder;
    const std::string full = FullProfileText();
    const std::string aPrivate = OnePrivate(full);
    const std::size_t cap = vex::kMaxProfileTextSize;
    bool ok = true;

    std::printf("full profile: %zu bytes; profile text cap: %zu bytes\n", full.size(), cap);

    const std::vector<Input> inputs = {
        {"4,000 extra Privates",
         [&] { return Grow(full, "<Privates>", aPrivate, full.size() + 4000 * aPrivate.size()); }},
        {"extra Privates up to the cap",
         [&] { return Grow(full, "<Privates>", aPrivate, cap - aPrivate.size()); }},
        {"extra Privates, 16,000",
         [&] { return Grow(full, "<Privates>", aPrivate, full.size() + 16000 * aPrivate.size()); }},
        {"extra Privates, 64 MB",
         [&] { return Grow(full, "<Privates>", aPrivate, 64 * kMegabyte); }},
        {"Privates with a bad channel up to the cap",
         [&] {
             std::string bad = aPrivate;
             bad.replace(bad.find("channel=\"") + 9, 0, "x");
             return Grow(full, "<Privates>", bad, cap - bad.size());
         }},
        {"unknown elements up to the cap",
         [&] { return Grow(full, "<Privates>", "<Unknown a=\"1\"/>", cap - 20); }},
        {"elements inside one Private up to the cap",
         [&] { return Grow(full, "<ParentPrivateGroups>", "<Unknown/>", cap - 20); }},
        {"comments between the Privates up to the cap",
         [&] { return Grow(full, "<Privates>", "<!---->", cap - 10); }, true, false},
        {"attributes on one Private up to the cap",
         [&] {
             std::string attributes;
             for (int i = 0; attributes.size() + full.size() < cap - 20; ++i) {
                 attributes += " a" + std::to_string(i) + "=\"\"";
             }
             std::string text = full;
             text.insert(text.find("<Private ") + 8, attributes);
             return text;
         }},
        {"undeclared attributes on every contact up to the cap",
         [&] {
             std::string attributes;
             for (int i = 0; i < 250; ++i) attributes += "u" + std::to_string(i) + "=\"\" ";
             std::string text;
             std::size_t from = 0;
             for (std::size_t at; (at = full.find("Group ", from)) != std::string::npos;) {
                 text.append(full, from, at + 6 - from);
                 if (text.size() + attributes.size() + full.size() - at < cap) text += attributes;
                 from = at + 6;
             }
             text.append(full, from, std::string::npos);
             return text;
         }},
        {"nested elements up to the cap",
         [&] {
             std::string text = "<?xml version=\"1.0\"?>";
             while (text.size() < cap - 8) text += "<a>";
             return text;
         }},
        {"one attribute value up to the cap",
         [&] {
             std::string text = full;
             text.replace(text.find("name=\"") + 6, 0, std::string(cap - full.size() - 8, 'n'));
             return text;
         },
         true, true},
        {"64 MB of zero bytes", [] { return std::string(64 * kMegabyte, '\0'); }, false},
        {"64 MB plain text after \"<?xml\"",
         [] { return "<?xml" + std::string(64 * kMegabyte - 5, 'x'); }, false},
    };

    std::printf("\n%-52s %10s %5s %10s\n", "input", "bytes", "id", "slowest s");
    for (const Input& input : inputs) {
        std::string text = input.make();
        const std::size_t size = text.size();
        if (input.scramble) vex::Scramble(text);
        const std::string path = folder.Write("input.lam", text);
        text.clear();
        text.shrink_to_fit();
        double slowest = 0;
        int id = 0;
        for (int run = 0; run < 3; ++run) slowest = std::max(slowest, TimeOpen(path, id));
        const bool met = (id != 0 || input.mayOpen) && slowest < kRefuseGoalSeconds;
        ok = ok && met;
        std::printf("%-52s %10zu %5d %10.4f%s\n", input.name.c_str(), size, id, slowest,
                    met ? "" : (id == 0 ? "  OPENED" : "  SLOW"));
    }

    std::string scrambled = full;
    vex::Scramble(scrambled);
    const std::string fullPath = folder.Write("full.lam", scrambled);
    std::vector<double> times;
    for (int run = 0; run < 25; ++run) {
        int id = 0;
        times.push_back(TimeOpen(fullPath, id));
        if (id != 0) Fail("the full profile does not open (" + std::to_string(id) + ")");
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    const bool met = median < kOpenGoalSeconds;
    ok = ok && met;
    std::printf("\nfull profile open in a new document: median %.2f ms, slowest %.2f ms%s\n",
                median * 1e3, times.back() * 1e3, met ? "" : "  SLOW");
    std::printf("goals (refuse < %.1f s, open < %.0f ms): %s\n", kRefuseGoalSeconds,
                kOpenGoalSeconds * 1e3, ok ? "met" : "MISSED");
    return ok ? 0 : 1;
}
