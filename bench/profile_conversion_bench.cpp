// Time of the two profile conversions on a full image: 150 contacts (privates with five parent
// groups and a home group each), 25 text messages, 6 languages. Reports the median of repeated
// runs per conversion.

#include <benchmark/benchmark.h>

#include <string>

#include "codeplug/data_adaptor.h"
#include "model/profile_text.h"

namespace {

vex::VirtualCP FullImage() {
    using vex::ContactType;
    vex::VirtualCP image;
    image.m_limits.pid = "1000";
    image.m_limits.model = "VX48";
    image.m_limits.num_of_languages = 6;
    image.m_limits.languages = {1, 2, 3, 4, 5, 6};
    image.m_limits.max_num_of_contacts = 150;
    constexpr std::size_t kPrivateGroups = 20;
    constexpr std::size_t kPublicGroups = 30;
    for (std::size_t i = 0; i < vex::kContactSlots; ++i) {
        vex::ContactRecord& c = image.m_contacts[i];
        c.channel = static_cast<std::uint8_t>(1 + i % 16);
        if (i < kPrivateGroups) {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::PrivateGroup);
            c.name = "Crew " + std::to_string(i);
            c.pid = std::to_string(50000 + i);
        } else if (i < kPrivateGroups + kPublicGroups) {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::PublicGroup);
            c.name = "Talkgroup " + std::to_string(i);
            c.pid = std::to_string(17179869183 - i);
        } else {
            c.cntct_type = static_cast<std::uint8_t>(ContactType::Private);
            c.name = "Unit " + std::to_string(i) + " & co";
            c.pid = std::to_string(1000 + i);
            for (std::size_t k = 0; k < vex::kParentGroupSlots; ++k) {
                c.parent_groups[k] = std::to_string(50000 + (i + k) % kPrivateGroups);
            }
            c.home_grp = c.parent_groups[0];
        }
    }
    for (std::size_t i = 0; i < vex::kTextSlots; ++i) {
        image.m_texts[i] = "Message " + std::to_string(i) + ": return to <base> now";
    }
    return image;
}

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
