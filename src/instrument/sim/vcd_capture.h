// Records what the sequencer outputs as a VCD file (IEEE 1364): scope `qv`, one scalar wire per
// channel (ch0, ch1, ...) and per fixed port (port0, port1); a pin whose output-enable group is off
// is written as z. The time unit is chosen so that one sample clock is a whole number of units.
// Only changes are written, through a large buffer. It does not read VCD files.
#pragma once

#include "sim/sequencer.h"
#include "support/vcd_names.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qv::sim {

class VcdCapture : public OutputSink {
  public:
    VcdCapture() = default;
    ~VcdCapture() override;
    VcdCapture(VcdCapture&& other) noexcept { *this = std::move(other); }
    VcdCapture& operator=(VcdCapture&& other) noexcept;

    // Creates the file and writes the header; false when it cannot be created.
    bool open(const std::string& path, int channels, std::int64_t clockHz);
    bool isOpen() const { return file_ != nullptr; }
    void output(std::uint64_t sampleNumber, Sample levels, Sample enabled) override;
    // A `$comment` written after the end time, e.g. why the capture ends where it does.
    void note(std::string_view text);
    // Writes the end time (the sample number after the last clock) and closes; false on a write
    // error at any point.
    bool close(std::uint64_t endSampleNumber);

  private:
    void writeValue(int bit, bool level, bool driven);
    void writeTime(std::uint64_t sampleNumber);
    void flushIfFull();

    std::FILE* file_ = nullptr;
    bool failed_ = false;
    int channels_ = 0;
    std::uint64_t unitsPerSample_ = 1;
    Sample watched_ = 0; // the bits that have variables
    bool first_ = true;
    Sample levels_ = 0, enabled_ = 0;
    std::uint64_t lastTime_ = 0;
    std::string notes_; // comments for the end of the file
    std::string buffer_; // header and flush staging; the hot path writes at used_ in it
    std::size_t used_ = 0;
    // The last time written, kept as decimal digits: the next one is reached by adding the
    // difference digit by digit, cheaper than converting every time afresh.
    std::array<char, 24> timeDigits_{};
    int timeLength_ = 0;
    std::uint64_t timeValue_ = 0;
    std::array<std::array<char, 4>, 64> idOfBit_{}; // identifier of each sample bit's variable, NUL-padded
};

} // namespace qv::sim

namespace qv::sim {

// A capture path that ends in a slash or backslash names a folder: each capture (each output, from
// its first qvRun to qvPowerDown) gets the next free file there, capture-0001.vcd, capture-0002.vcd
// and so on, so that no output overwrites an earlier one. Any other path is the file itself.
bool isCaptureFolder(const std::string& path);
std::string nextCaptureFile(const std::string& folder);

// One instrument's capture from its first qvRun to qvPowerDown: the runs of one output (sections)
// follow each other in one file, each run's sample numbers continuing after the last. While the
// program has switched the outputs off (qvOutputEnable 0) every pin floats.
class CaptureSession : public OutputSink {
  public:
    bool open(const std::string& path, int channels, std::int64_t clockHz) {
        end_ = base_ = 0;
        return vcd_.open(path, channels, clockHz);
    }
    bool isOpen() const { return vcd_.isOpen(); }
    void beginRun() { base_ = end_; }
    void output(std::uint64_t sampleNumber, Sample levels, Sample enabled) override {
        vcd_.output(base_ + sampleNumber, levels, outputsOn ? enabled : 0);
    }
    // The run has reached this sample number (held clocks included).
    void reached(std::uint64_t sampleNumber) { end_ = std::max(end_, base_ + sampleNumber); }
    bool close() { return vcd_.close(end_); }
    void note(std::string_view text) { vcd_.note(text); }

    bool outputsOn = true;

  private:
    VcdCapture vcd_;
    std::uint64_t base_ = 0, end_ = 0;
};

} // namespace qv::sim
