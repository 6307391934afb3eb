// VCD writing: header, initial $dumpvars and per-clock changes. The change test is one compare of
// two words per clock; only clocks that change anything write text.
#include "sim/vcd_capture.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <utility>

namespace qv::sim {
namespace {

constexpr std::size_t flushBytes = 1 << 20;
constexpr int maxCaptureFiles = 99'999; // past it, the last one is replaced
// The most one output can add: a time and every variable (value, identifier, newline).
constexpr std::size_t maxOutputBytes = 32 + 66 * 6 + 16;
// Bit of variable v: channels first, then the two ports.
int bitOfVariable(int variable, int channels) {
    return variable < channels ? 12 + variable : (variable == channels ? outputPort0Bit : outputPort1Bit);
}

} // namespace

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
    notes_ = std::move(other.notes_);
    used_ = std::exchange(other.used_, 0);
    timeDigits_ = other.timeDigits_;
    timeLength_ = other.timeLength_;
    timeValue_ = other.timeValue_;
    idOfBit_ = std::move(other.idOfBit_);
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
    timeLength_ = 0;
    timeValue_ = 0;
    idOfBit_ = {};
    for (int v = 0; v < channels + 2; ++v) {
        const std::string id = vcdIdentifier(v);
        std::copy(id.begin(), id.end(), idOfBit_[static_cast<std::size_t>(bitOfVariable(v, channels))].begin());
    }
    buffer_.clear();
    buffer_ += "$version QV virtual instrument $end\n";
    buffer_ += "$comment sample clock " + std::to_string(clockHz) + " Hz, " + std::to_string(unitsPerSample_) +
        " units per sample $end\n";
    buffer_ += "$timescale " + scale.unit + " $end\n$scope module qv $end\n";
    for (int v = 0; v < channels + 2; ++v) {
        const std::string name = v < channels ? "ch" + std::to_string(v) : "port" + std::to_string(v - channels);
        buffer_ += "$var wire 1 " + vcdIdentifier(v) + " " + name + " $end\n";
    }
    buffer_ += "$upscope $end\n$enddefinitions $end\n";
    used_ = buffer_.size();
    buffer_.resize(flushBytes + maxOutputBytes);
    return true;
}

void VcdCapture::writeValue(int bit, bool level, bool driven) {
    char* at = buffer_.data() + used_;
    *at++ = driven ? (level ? '1' : '0') : 'z';
    for (char c : idOfBit_[static_cast<std::size_t>(bit)])
        if (c != '\0') *at++ = c;
    *at++ = '\n';
    used_ = static_cast<std::size_t>(at - buffer_.data());
}

void VcdCapture::writeTime(std::uint64_t sampleNumber) {
    const std::uint64_t time = sampleNumber * unitsPerSample_;
    if (timeLength_ == 0 || time < timeValue_) {
        timeLength_ = static_cast<int>(
            std::to_chars(timeDigits_.data(), timeDigits_.data() + timeDigits_.size(), time).ptr - timeDigits_.data());
    } else {
        // Digits are kept right-aligned from the end of the array's used part.
        std::uint64_t add = time - timeValue_;
        unsigned carry = 0;
        for (int i = timeLength_ - 1; add != 0 || carry != 0; --i) {
            if (i < 0) { // one more digit
                std::copy_backward(timeDigits_.begin(), timeDigits_.begin() + timeLength_,
                                   timeDigits_.begin() + timeLength_ + 1);
                timeDigits_[0] = '0';
                ++timeLength_;
                i = 0;
            }
            const unsigned digit = static_cast<unsigned>(timeDigits_[static_cast<std::size_t>(i)] - '0') +
                static_cast<unsigned>(add % 10) + carry;
            add /= 10;
            carry = digit / 10;
            timeDigits_[static_cast<std::size_t>(i)] = static_cast<char>('0' + digit % 10);
        }
    }
    timeValue_ = time;
    char* at = buffer_.data() + used_;
    *at++ = '#';
    std::memcpy(at, timeDigits_.data(), static_cast<std::size_t>(timeLength_));
    at += timeLength_;
    *at++ = '\n';
    used_ = static_cast<std::size_t>(at - buffer_.data());
}

void VcdCapture::flushIfFull() {
    if (used_ < flushBytes) return;
    if (std::fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
}

void VcdCapture::output(std::uint64_t sampleNumber, Sample levels, Sample enabled) {
    if (file_ == nullptr) return;
    levels &= watched_;
    enabled &= watched_;
    if (!first_ && levels == levels_ && enabled == enabled_) return;
    writeTime(sampleNumber);
    if (first_) {
        for (char c : std::string_view("$dumpvars\n")) buffer_[used_++] = c;
        for (int v = 0; v < channels_ + 2; ++v) {
            const int bit = bitOfVariable(v, channels_);
            writeValue(bit, (levels >> bit) & 1u, (enabled >> bit) & 1u);
        }
        for (char c : std::string_view("$end\n")) buffer_[used_++] = c;
        first_ = false;
    } else {
        // A pin changes when its level changes while driven, or its drive changes.
        Sample changed = (enabled ^ enabled_) | ((levels ^ levels_) & enabled);
        while (changed != 0) {
            const int bit = std::countr_zero(changed);
            changed &= changed - 1;
            writeValue(bit, (levels >> bit) & 1u, (enabled >> bit) & 1u);
        }
    }
    levels_ = levels;
    enabled_ = enabled;
    lastTime_ = sampleNumber;
    flushIfFull();
}

void VcdCapture::note(std::string_view text) { notes_ += "$comment " + std::string(text) + " $end\n"; }

bool VcdCapture::close(std::uint64_t endSampleNumber) {
    if (file_ == nullptr) return false;
    if (!first_ && endSampleNumber > lastTime_) writeTime(endSampleNumber);
    if (used_ > 0 && std::fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
    // After the end time: sigrok's reader stops taking time stamps at a comment among the changes.
    if (!notes_.empty() && std::fwrite(notes_.data(), 1, notes_.size(), file_) != notes_.size()) failed_ = true;
    notes_.clear();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    return !failed_;
}

bool isCaptureFolder(const std::string& path) { return !path.empty() && (path.back() == '/' || path.back() == '\\'); }

std::string nextCaptureFile(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    char name[32];
    for (int n = 1;; ++n) {
        std::snprintf(name, sizeof name, "capture-%04d.vcd", n);
        if (!std::filesystem::exists(folder + name, error) || n == maxCaptureFiles) return folder + name;
    }
}

} // namespace qv::sim
