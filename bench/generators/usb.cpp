// The USB 1.1 builder filling a whole 2,097,152-sample memory: frames of an SOF, an OUT token, a
// DATA0 packet of 64 random bytes and an ACK, as Edit Packet writes them, read back from their
// list lines. 64 bytes at full speed are about 640 samples with stuffing; the frames run 1 ms
// apart, so a memory holds about 175 frames of 12,000 samples, mostly idle.
#include "full_memory.h"

#include "generators/usb.h"

#include <random>
#include <string>
#include <vector>

namespace {

using qv::bench::memory;
using qv::bench::report;

// Data packets back to back (no SOF gaps), then the same with SOF frames: the packet path and
// the idle fill each measured on a full memory.
std::vector<qv::gen::UsbUnit> usbUnits(int limit, bool frames) {
    std::mt19937 random(6);
    std::vector<std::string> lines;
    const auto add = [&](qv::gen::UsbPacketFields f) {
        qv::gen::UsbCells cells;
        qv::gen::usbPacketCells(f, cells);
        lines.push_back(qv::gen::usbLineOfCells(cells));
    };
    const int perFrame = frames ? 12000 : 800;
    for (int used = qv::gen::usbLeadInSamples, frame = 0; used + perFrame < limit; used += perFrame, ++frame) {
        if (frames) add({qv::gen::UsbPid::Sof, std::to_string(frame % 0x800), "", "", ""});
        add({qv::gen::UsbPid::Out, "", "1", "2", ""});
        std::string data;
        for (int i = 0; i < 64; ++i) data += std::to_string(random() % 10) + std::to_string(random() % 10) + ";";
        add({qv::gen::UsbPid::Data0, "", "", "", data});
        add({qv::gen::UsbPid::Ack, "", "", "", ""});
    }
    std::vector<qv::gen::UsbUnit> units;
    qv::gen::readUsbList(lines, units);
    return units;
}

void usbFullMemory(benchmark::State& state, bool frames) {
    qv::bench::Memory& m = memory();
    const int limit = m.limit(qv::gen::usbSampleLimitMargin);
    const std::vector<qv::gen::UsbUnit> units = usbUnits(limit, frames);
    if (units.empty()) state.SkipWithError("no packets");
    int count = 0;
    for (auto _ : state) {
        count = qv::gen::buildUsbStream(units, {}, 12000000, 0, m.buffer, limit).count;
        benchmark::DoNotOptimize(m.buffer.data());
        benchmark::ClobberMemory();
    }
    report(state, count);
}

void UsbPacketsFullMemory(benchmark::State& state) { usbFullMemory(state, false); }
void UsbFramesFullMemory(benchmark::State& state) { usbFullMemory(state, true); }
BENCHMARK(UsbPacketsFullMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(UsbFramesFullMemory)->Unit(benchmark::kMillisecond);

} // namespace
