// VCD writing: header, initial $dumpvars and per-clock changes. The change test is one compare of
// two words per clock; only clocks that change anything write text.
#include "sim/vcd_capture.h"

#include <array>
#include <bit>
#include <charconv>
#include <utility>

namespace qv::sim {
namespace {

constexpr std::size_t flushBytes = 1 << 20;
constexpr std::int64_t femtosecondsPerSecond = 1'000'000'000'000'000;
constexpr std::int64_t picosecond = 1000; // in fs
constexpr std::int64_t minimumDigits = 10000;

struct Unit {
    std::int64_t femtoseconds;
    const char* text;
};
// Coarsest first.
constexpr std::array<Unit, 18> units{{{100'000'000'000'000'000, "100 s"},
                                      {10'000'000'000'000'000, "10 s"},
                                      {1'000'000'000'000'000, "1 s"},
                                      {100'000'000'000'000, "100 ms"},
                                      {10'000'000'000'000, "10 ms"},
                                      {1'000'000'000'000, "1 ms"},
                                      {100'000'000'000, "100 us"},
                                      {10'000'000'000, "10 us"},
                                      {1'000'000'000, "1 us"},
                                      {100'000'000, "100 ns"},
                                      {10'000'000, "10 ns"},
                                      {1'000'000, "1 ns"},
                                      {100'000, "100 ps"},
                                      {10'000, "10 ps"},
                                      {1'000, "1 ps"},
                                      {100, "100 fs"},
                                      {10, "10 fs"},
                                      {1, "1 fs"}}};

// Bit of variable v: channels first, then the two ports.
int bitOfVariable(int variable, int channels) {
    return variable < channels ? 12 + variable : (variable == channels ? outputPort0Bit : outputPort1Bit);
}

} // namespace

VcdTimescale vcdTimescale(std::int64_t clockHz) {
    if (clockHz <= 0) return {"1 ns", 1};
    for (const Unit& unit : units) {
        if (unit.femtoseconds < picosecond) break;
        // The period is a whole number of units when hz x unit divides one second in fs; the
        // first test keeps the product in range.
        if (unit.femtoseconds > femtosecondsPerSecond / clockHz) continue;
        if (femtosecondsPerSecond % (clockHz * unit.femtoseconds) == 0)
            return {unit.text, static_cast<std::uint64_t>(femtosecondsPerSecond / (clockHz * unit.femtoseconds))};
    }
    // Not exact: the coarsest unit that still gives the period five digits (rounding off at most
    // 1 in 10,000), so that viewers that expand time units into samples stay usable.
    for (const Unit& unit : units) {
        if (unit.femtoseconds > femtosecondsPerSecond / clockHz / minimumDigits) continue;
        const double ticks = static_cast<double>(femtosecondsPerSecond) / static_cast<double>(clockHz) /
            static_cast<double>(unit.femtoseconds);
        return {unit.text, static_cast<std::uint64_t>(ticks + 0.5)};
    }
    return {"1 fs", static_cast<std::uint64_t>(femtosecondsPerSecond / clockHz)};
}

std::string vcdIdentifier(int index) {
    constexpr int first = '!', count = '~' - '!' + 1;
    std::string id;
    do {
        id.push_back(static_cast<char>(first + index % count));
        index /= count;
    } while (index > 0);
    return id;
}

VcdCapture::~VcdCapture() {
    if (file_ != nullptr) close(lastTime_);
}

VcdCapture& VcdCapture::operator=(VcdCapture&& other) noexcept {
    if (this == &other) return *this;
    if (file_ != nullptr) close(lastTime_);
    file_ = std::exchange(other.file_, nullptr);
    failed_ = other.failed_;
    channels_ = other.channels_;
    unitsPerSample_ = other.unitsPerSample_;
    watched_ = other.watched_;
    first_ = other.first_;
    levels_ = other.levels_;
    enabled_ = other.enabled_;
    lastTime_ = other.lastTime_;
    buffer_ = std::move(other.buffer_);
    return *this;
}

bool VcdCapture::open(const std::string& path, int channels, std::int64_t clockHz) {
    if (file_ != nullptr) close(lastTime_);
    file_ = std::fopen(path.c_str(), "wb");
    if (file_ == nullptr) return false;
    failed_ = false;
    channels_ = channels;
    first_ = true;
    lastTime_ = 0;
    const VcdTimescale scale = vcdTimescale(clockHz);
    unitsPerSample_ = scale.unitsPerSample;
    watched_ = (Sample{1} << outputPort0Bit) | (Sample{1} << outputPort1Bit);
    for (int channel = 0; channel < channels; ++channel) watched_ |= channelBit(channel);
    buffer_.clear();
    buffer_.reserve(flushBytes + 4096);
    buffer_ += "$version QV virtual instrument $end\n";
    buffer_ += "$comment sample clock " + std::to_string(clockHz) + " Hz, " + std::to_string(unitsPerSample_) +
        " units per sample $end\n";
    buffer_ += "$timescale " + scale.unit + " $end\n$scope module qv $end\n";
    for (int v = 0; v < channels + 2; ++v) {
        const std::string name = v < channels ? "ch" + std::to_string(v) : "port" + std::to_string(v - channels);
        buffer_ += "$var wire 1 " + vcdIdentifier(v) + " " + name + " $end\n";
    }
    buffer_ += "$upscope $end\n$enddefinitions $end\n";
    return true;
}

void VcdCapture::writeValue(int variable, bool level, bool driven) {
    buffer_.push_back(driven ? (level ? '1' : '0') : 'z');
    buffer_ += vcdIdentifier(variable);
    buffer_.push_back('\n');
}

void VcdCapture::flushIfFull() {
    if (buffer_.size() < flushBytes) return;
    if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
    buffer_.clear();
}

void VcdCapture::output(std::uint64_t sampleNumber, Sample levels, Sample enabled) {
    if (file_ == nullptr) return;
    levels &= watched_;
    enabled &= watched_;
    if (!first_ && levels == levels_ && enabled == enabled_) return;
    const std::uint64_t time = sampleNumber * unitsPerSample_;
    char digits[24];
    buffer_.push_back('#');
    buffer_.append(digits, std::to_chars(digits, digits + sizeof digits, time).ptr);
    buffer_.push_back('\n');
    if (first_) {
        buffer_ += "$dumpvars\n";
        for (int v = 0; v < channels_ + 2; ++v) {
            const int bit = bitOfVariable(v, channels_);
            writeValue(v, (levels >> bit) & 1u, (enabled >> bit) & 1u);
        }
        buffer_ += "$end\n";
        first_ = false;
    } else {
        // A pin changes when its level changes while driven, or its drive changes.
        Sample changed = (enabled ^ enabled_) | ((levels ^ levels_) & enabled);
        while (changed != 0) {
            const int bit = std::countr_zero(changed);
            changed &= changed - 1;
            const int variable = bit >= outputPort0Bit ? channels_ + (bit - outputPort0Bit) : bit - 12;
            writeValue(variable, (levels >> bit) & 1u, (enabled >> bit) & 1u);
        }
    }
    levels_ = levels;
    enabled_ = enabled;
    lastTime_ = sampleNumber;
    flushIfFull();
}

bool VcdCapture::close(std::uint64_t endSampleNumber) {
    if (file_ == nullptr) return false;
    if (!first_ && endSampleNumber > lastTime_) {
        char digits[24];
        buffer_.push_back('#');
        buffer_.append(digits, std::to_chars(digits, digits + sizeof digits, endSampleNumber * unitsPerSample_).ptr);
        buffer_.push_back('\n');
    }
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) failed_ = true;
    buffer_.clear();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

} // namespace qv::sim
