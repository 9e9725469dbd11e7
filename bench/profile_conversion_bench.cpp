// Time of the two profile conversions and of the list sort on a full image (full_image.h).
// Reports the median of repeated runs per conversion.

#include <benchmark/benchmark.h>

#include <string>

#include "codeplug/data_adaptor.h"
#include "full_image.h"
#include "model/profile_text.h"

namespace {

using vex::bench::FullImage;

void BM_VirtualCP2XML(benchmark::State& state) {
    const vex::VirtualCP image = FullImage();
    std::string text;
    for (auto _ : state) {
        vex::CDataAdaptor::VirtualCP2XML(image, text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetLabel(std::to_string(text.size()) + " bytes of text");
}

void BM_XML2VirtualCP(benchmark::State& state) {
    std::string text;
    vex::CDataAdaptor::VirtualCP2XML(FullImage(), text);
    for (auto _ : state) {
        vex::VirtualCP image;
        vex::CDataAdaptor::XML2VirtualCP(text, image);
        benchmark::DoNotOptimize(&image);
    }
}

void BM_SortProfileLists(benchmark::State& state) {
    std::string original;
    vex::CDataAdaptor::VirtualCP2XML(FullImage(), original);
    for (auto _ : state) {
        std::string text = original;
        vex::SortProfileLists(text);
        benchmark::DoNotOptimize(text.data());
    }
}

void Median(benchmark::internal::Benchmark* b) {
    b->Repetitions(9)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_VirtualCP2XML)->Apply(Median);
BENCHMARK(BM_XML2VirtualCP)->Apply(Median);
BENCHMARK(BM_SortProfileLists)->Apply(Median);

}  // namespace

BENCHMARK_MAIN();
