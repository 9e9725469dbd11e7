// The data model on a full VEX480 profile (full_image.h: 150 contacts with parent groups, 25 text
// messages) on the source tree's model template:
//   - opening it (read, unscramble, sort, parse, validate against the schema; with a new document,
//     the rule script is started too), and what `vexprg-cli validate` does on top (the image);
//   - SetAttributeValue through the rule-script hooks: names, channels and PIDs, 1000 calls each,
//     with the median of the single calls as the counter "median_us";
//   - the heap a loaded full profile takes (mallinfo2 before and after a load).
// The environment variable VEX_BENCH_TEMPLATE_FOLDER replaces the source tree's template folder.
// Goals: an open under 20 ms, a hook call under 50 µs (median), a loaded profile under 10 MB.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "codeplug/data_adaptor.h"
#include "common/exception.h"
#include "common/file_io.h"
#include "full_image.h"
#include "model/data_item.h"
#include "model/profile_document.h"
#include "model/profile_text.h"
#include "template_folder.h"

namespace {

using vex::AttributeValue;
using vex::CDataItem;
using vex::ProfileDocument;

const std::string kTemplateFolder = vex::bench::TemplateFolder();

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "data_model_bench: %s\n", what.c_str());
    std::exit(1);
}

vex::VirtualCP FullV480Image() {
    std::string error;
    auto image = vex::bench::FullImageOfTemplate(kTemplateFolder + "/V480.lam", error);
    if (!image) Fail(error);
    return *image;
}

// A scrambled profile file of the full image in a temporary folder, removed at exit.
class ProfileFile {
  public:
    ProfileFile() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vex-model-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp failed");
        m_folder = pattern;
        m_path = m_folder + "/full.lam";
        try {
            ProfileDocument doc(kTemplateFolder, Report);
            doc.NewFromImage(FullV480Image());
            doc.Save(m_path);
        } catch (const vex::CVEXPRGException& e) {
            Fail("cannot build the full profile (" + std::to_string(e.MessageId()) + ")" +
                 e.Context());
        }
    }
    ~ProfileFile() {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    const std::string& Path() const { return m_path; }

    static void Report(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

  private:
    std::string m_folder;
    std::string m_path;
};

const ProfileFile& File() {
    static const ProfileFile file;
    return file;
}

std::unique_ptr<ProfileDocument> OpenFull() {
    auto doc = std::make_unique<ProfileDocument>(kTemplateFolder, ProfileFile::Report);
    try {
        doc->Open(File().Path());
    } catch (const vex::CVEXPRGException& e) {
        Fail("cannot open the full profile (" + std::to_string(e.MessageId()) + ")" + e.Context());
    }
    return doc;
}

void BM_OpenFullProfileInNewDocument(benchmark::State& state) {
    File();
    for (auto _ : state) {
        auto doc = OpenFull();
        benchmark::DoNotOptimize(doc.get());
    }
}

void BM_ReopenFullProfile(benchmark::State& state) {
    auto doc = OpenFull();
    for (auto _ : state) {
        doc->Open(File().Path());
        benchmark::DoNotOptimize(doc.get());
    }
}

void BM_ValidateFullProfile(benchmark::State& state) {
    File();
    for (auto _ : state) {
        auto doc = OpenFull();
        vex::VirtualCP image;
        doc->GetVirtualCPData(image);
        benchmark::DoNotOptimize(&image);
    }
}

// A value of the kind `current` holds, for the number `n`.
AttributeValue Like(const AttributeValue& current, long long n) {
    if (std::holds_alternative<std::int32_t>(current)) return static_cast<std::int32_t>(n);
    if (std::holds_alternative<std::uint32_t>(current)) return static_cast<std::uint32_t>(n);
    return std::to_string(n);
}

CDataItem List(const ProfileDocument& doc, const char* name) {
    return doc.Model().RootItem().GetChildByName("Contacts").GetChildByName(name);
}

// Runs `call(i)` once per iteration, timing each call; reports the median call and the share of
// calls the rules took (result 0).
template <class Call>
void TimeHookCalls(benchmark::State& state, Call&& call) {
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(state.max_iterations));
    long long taken = 0;
    long long i = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t result = call(i++);
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        taken += result == 0 ? 1 : 0;
    }
    std::nth_element(micros.begin(), micros.begin() + static_cast<long>(micros.size() / 2),
                     micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["taken"] = static_cast<double>(taken) / static_cast<double>(i);
}

void BM_SetPrivateName(benchmark::State& state) {
    auto doc = OpenFull();
    const CDataItem privates = List(*doc, "Privates");
    const std::int32_t count = privates.GetChildCount();
    TimeHookCalls(state, [&](long long i) {
        CDataItem item = privates.GetChildByIndex(static_cast<std::int32_t>(i % count));
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        return item.SetAttributeValue("name", std::string("Renamed ") + std::to_string(i), msgId, 0,
                                      style);
    });
}

void BM_SetPublicGroupChannel(benchmark::State& state) {
    auto doc = OpenFull();
    const CDataItem groups = List(*doc, "PublicGroups");
    const std::int32_t count = groups.GetChildCount();
    TimeHookCalls(state, [&](long long i) {
        CDataItem item = groups.GetChildByIndex(static_cast<std::int32_t>(i % count));
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        const AttributeValue channel = Like(item.GetAttributeValue("channel"), 1 + i % 16);
        return item.SetAttributeValue("channel", channel, msgId, 0, style);
    });
}

void BM_SetPrivatePid(benchmark::State& state) {
    auto doc = OpenFull();
    const CDataItem privates = List(*doc, "Privates");
    const std::int32_t count = privates.GetChildCount();
    TimeHookCalls(state, [&](long long i) {
        CDataItem item = privates.GetChildByIndex(static_cast<std::int32_t>(i % count));
        std::int32_t msgId = 0;
        std::int32_t style = 0;
        const AttributeValue pid = Like(item.GetAttributeValue("pid"), 200000 + i);
        return item.SetAttributeValue("pid", pid, msgId, 0, style);
    });
}

// The heap that one more loaded full profile takes: its DOM, its schema, its rule-script state.
void BM_LoadedProfileHeap(benchmark::State& state) {
    OpenFull();  // the libraries' one-time allocations are not the profile's
    double megabytes = 0;
    for (auto _ : state) {
        malloc_trim(0);
        const std::size_t before = mallinfo2().uordblks;
        auto doc = OpenFull();
        const std::size_t after = mallinfo2().uordblks;
        megabytes = static_cast<double>(after - before) / (1024.0 * 1024.0);
        benchmark::DoNotOptimize(doc.get());
    }
    state.counters["heap_MB"] = megabytes;
}

void Median(benchmark::internal::Benchmark* b) {
    b->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
}

void HookCalls(benchmark::internal::Benchmark* b) {
    b->Iterations(1000)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_OpenFullProfileInNewDocument)->Apply(Median);
BENCHMARK(BM_ReopenFullProfile)->Apply(Median);
BENCHMARK(BM_ValidateFullProfile)->Apply(Median);
BENCHMARK(BM_SetPrivateName)->Apply(HookCalls);
BENCHMARK(BM_SetPublicGroupChannel)->Apply(HookCalls);
BENCHMARK(BM_SetPrivatePid)->Apply(HookCalls);
BENCHMARK(BM_LoadedProfileHeap)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
