// A full read and a full write of a radio with 150 contacts and 25 text messages, over a
// pseudo-terminal with 9600-baud pacing: the radio link's time against the physical limit.
//
// Prints, per operation: the wall time; the host's CPU time (the thread that runs the operation:
// frames, port calls, conversions); the wire time of every byte exchanged at 9600 baud (10 bits a
// byte), and the virtual radio's own turnaround (its pause before each answer). The wall time can
// come no closer than wire time plus turnaround.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "full_image.h"
#include "link/transfer_engine.h"
#include "sim/background_radio.h"

namespace {

double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    double wall = 0;
    double cpu = 0;
    double wire = 0;
    double turnaround = 0;
    std::uint64_t bytes = 0;
};

template <typename Operation>
Figures Measure(vex::sim::BackgroundRadio& radio, const vex::sim::Pacing& pacing,
                Operation operation) {
    const auto before = radio.Server().Stats();
    const double cpu0 = ThreadCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const vex::LinkStatus status = operation();
    const auto t1 = std::chrono::steady_clock::now();
    const double cpu1 = ThreadCpuSeconds();
    const auto after = radio.Server().Stats();
    if (status != vex::LinkStatus::Success) {
        std::fprintf(stderr, "operation failed: %d\n", vex::ToInt(status));
    }
    Figures f;
    f.wall = std::chrono::duration<double>(t1 - t0).count();
    f.cpu = cpu1 - cpu0;
    f.bytes = (after.bytesIn - before.bytesIn) + (after.bytesOut - before.bytesOut);
    f.wire = static_cast<double>(f.bytes) * 10.0 / 9600.0;
    f.turnaround = static_cast<double>(after.replies - before.replies) *
                   std::chrono::duration<double>(pacing.turnaround).count();
    return f;
}

void Print(const char* what, const Figures& f) {
    const double floor = f.wire + f.turnaround;
    std::printf(
        "%-6s wall %7.3f s | wire %7.3f s (%llu bytes) + turnaround %6.3f s = %7.3f s | wall "
        "over that %+5.2f %% | host CPU %6.3f s = %5.2f %% of wall\n",
        what, f.wall, f.wire, static_cast<unsigned long long>(f.bytes), f.turnaround, floor,
        (f.wall - floor) / floor * 100.0, f.cpu, f.cpu / f.wall * 100.0);
}

}  // namespace

int main() {
    std::string error;
    auto radio = vex::sim::BackgroundRadio::OnPseudoTerminal(vex::bench::FullImage(), error);
    if (!radio) {
        std::fprintf(stderr, "no pseudo-terminal: %s\n", error.c_str());
        return 1;
    }
    vex::sim::Pacing pacing;
    pacing.enabled = true;
    radio->Server().SetPacing(pacing);
    radio->Start();

    vex::TransferEngine engine;  // the real SerialPort on the pseudo-terminal
    const std::string device = radio->DevicePath();
    vex::VirtualCP image;
    const Figures read =
        Measure(*radio, pacing, [&] { return engine.ReadOperation(image, device); });
    const Figures write =
        Measure(*radio, pacing, [&] { return engine.WriteOperation(image, device); });
    Print("read", read);
    Print("write", write);
    return 0;
}
