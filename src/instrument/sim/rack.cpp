// The virtual instruments' registry and per-device state. Handles are 1 + the device's slot in
// the list; an entry handed back by the program is trusted only when its signature, slot and
// configuration generation match what this driver wrote.
#include "sim/rack.h"

#include "app/models.h"
#include "device/frequency.h"
#include "waveedit/document.h"
#include "waveedit/output_image.h"
#include "waveedit/waveform_files.h"

#include <algorithm>
#include <filesystem>
#include <cstring>

namespace qv::sim {
namespace {

void put32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t get32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

// Text into a fixed field: NUL-padded, without a terminating NUL when it fills the field.
void putText(std::uint8_t* at, int width, const std::string& text) {
    std::memset(at, 0, static_cast<std::size_t>(width));
    std::memcpy(at, text.data(), std::min(text.size(), static_cast<std::size_t>(width)));
}

std::string getText(const std::uint8_t* at, int width) {
    const auto* end = std::find(at, at + width, std::uint8_t{0});
    return std::string(at, end);
}

// The name into the caller's buffer; 0 when it does not fit (the buffer then holds what fits).
std::int32_t copyName(const std::string& name, char* buffer, std::int32_t bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) return 0;
    const auto length = std::min(name.size(), static_cast<std::size_t>(bufferSize - 1));
    std::memcpy(buffer, name.data(), length);
    buffer[length] = '\0';
    return length == name.size() ? 1 : 0;
}

// Samples the program may load at once: its whole sample buffer, depth + 22 samples.
std::size_t sampleCapacity(int modelCode) { return static_cast<std::size_t>(modelRow(modelCode).depthSamples) + 22; }

constexpr std::int32_t selectedEventLimit = 2;
constexpr int outputEnablingCardType = 18; // its streams switch the output groups on with OE

SequencerSetup sequencerSetup(const DeviceConfig& config) {
    const ModelRow& row = modelRow(config.modelCode);
    SequencerSetup setup;
    setup.channels = row.channels;
    setup.channelsPerGroup = row.channelsPerGroup;
    setup.outputsStartDisabled = config.cardType == outputEnablingCardType;
    setup.sampleLimit = config.sampleLimit > 0 ? config.sampleLimit : defaultSampleLimit;
    setup.eventAt = config.eventAt;
    setup.eventEndAt = config.eventEndAt;
    return setup;
}

// uqvStartEx has no one to ask: a file longer than the memory is not loaded.
class NoPrompt : public Prompt {
  public:
    Answer ask(int, Buttons) override { return Answer::No; }
    void show(int, const std::string&) override {}
};

} // namespace

std::uint64_t clocksIn(std::uint64_t nanoseconds, std::uint64_t hertz, std::uint64_t& remainder) {
    constexpr std::uint64_t second = 1'000'000'000;
    // Whole seconds apart, so that the products stay within 64 bits for any clock below 2^34 Hz.
    const std::uint64_t part = (nanoseconds % second) * hertz + remainder;
    remainder = part % second;
    return nanoseconds / second * hertz + part / second;
}

std::string modelName(int modelCode) {
    char text[entryModelNameBytes + 1];
    std::snprintf(text, sizeof text, "QV-%04X", static_cast<unsigned>(modelCode));
    return text;
}

Rack::Rack(Platform platform) : platform_(std::move(platform)) {}

Rack::~Rack() { forgetConfiguration(); }

void Rack::ensureConfigured() {
    if (configured_) return;
    configured_ = true;
    ++generation_;
    Configuration config = platform_.readConfiguration ? platform_.readConfiguration() : Configuration{};
    if (platform_.report)
        for (const auto& problem : config.problems) platform_.report(problem);
    list_.fill(0);
    devices_.clear();
    for (auto& device : config.devices) {
        const int slot = static_cast<int>(devices_.size());
        std::uint8_t* entry = list_.data() + slot * deviceEntryBytes;
        put32(entry + deviceEntryFlagsOffset, deviceEntryPresent);
        put32(entry + entrySignatureOffset, entrySignature);
        put32(entry + entrySlotOffset, static_cast<std::uint32_t>(slot));
        put32(entry + entryModelCodeOffset, static_cast<std::uint32_t>(device.modelCode));
        put32(entry + entryCardTypeOffset, static_cast<std::uint32_t>(device.cardType));
        put32(entry + entryGenerationOffset, generation_);
        putText(entry + entryInterfaceOffset, entryInterfaceBytes, device.interfaceName);
        put32(entry + deviceEntryNumberOffset, static_cast<std::uint32_t>(device.deviceNumber));
        putText(entry + entryModelNameOffset, entryModelNameBytes, modelName(device.modelCode));
        putText(entry + deviceEntrySerialOffset, deviceEntrySerialBytes, device.serial);
        DeviceState state;
        state.config = std::move(device);
        state.removed = state.config.removed;
        state.sequencer.configure(sequencerSetup(state.config));
        devices_.push_back(std::move(state));
    }
}

void Rack::close(int slot) {
    DeviceState& device = devices_[static_cast<std::size_t>(slot)];
    if (!device.open) return;
    if (device.config.unplugAfterMs > 0 && platform_.cancelUnplug) platform_.cancelUnplug(slot);
    if (device.osHandle != 0 && platform_.closeOsHandle) platform_.closeOsHandle(device.osHandle);
    endCapture(device);
    DeviceState closed;
    closed.config = device.config;
    closed.removed = device.removed;
    closed.sequencer.configure(sequencerSetup(closed.config));
    device = std::move(closed);
}

void Rack::forgetConfiguration() {
    for (std::size_t slot = 0; slot < devices_.size(); ++slot) close(static_cast<int>(slot));
    devices_.clear();
    list_.fill(0);
    configured_ = false;
}

int Rack::slotOfEntry(const std::uint8_t* entry) const {
    if (entry == nullptr) return -1;
    if ((get32(entry + deviceEntryFlagsOffset) & deviceEntryPresent) == 0) return -1;
    if (get32(entry + entrySignatureOffset) != entrySignature) return -1;
    if (get32(entry + entryGenerationOffset) != generation_) return -1;
    const std::uint32_t slot = get32(entry + entrySlotOffset);
    return slot < devices_.size() ? static_cast<int>(slot) : -1;
}

DeviceState* Rack::openDevice(DeviceHandle handle) {
    ensureConfigured();
    if (handle < 1 || handle > static_cast<DeviceHandle>(devices_.size())) return nullptr;
    DeviceState& device = devices_[static_cast<std::size_t>(handle - 1)];
    return device.open ? &device : nullptr;
}

DeviceState* Rack::usableDevice(DeviceHandle handle) {
    DeviceState* device = openDevice(handle);
    if (device == nullptr || device->removed) return nullptr;
    keepPace(*device);
    return device;
}

void Rack::keepPace(DeviceState& device) {
    if (!realTime()) return;
    const std::uint64_t now = platform_.nowNanoseconds();
    const std::uint64_t elapsed = now > device.pacedUntil ? now - device.pacedUntil : 0;
    device.pacedUntil = std::max(now, device.pacedUntil);
    if (device.sequencer.state() == SequencerState::Idle || device.frequency <= 0) {
        device.pacedRemainder = 0;
        return;
    }
    const std::uint64_t clocks = clocksIn(elapsed, static_cast<std::uint64_t>(device.frequency), device.pacedRemainder);
    // A waiting sequencer outputs nothing more; clocks past the sample limit are not recorded.
    if (clocks > 0 && device.sequencer.state() != SequencerState::AtSampleLimit) advance(device, clocks);
}

const DeviceState* Rack::device(DeviceHandle handle) const {
    if (handle < 1 || handle > static_cast<DeviceHandle>(devices_.size())) return nullptr;
    const DeviceState& device = devices_[static_cast<std::size_t>(handle - 1)];
    return device.open ? &device : nullptr;
}

Sequencer* Rack::sequencer(DeviceHandle handle) {
    DeviceState* device = openDevice(handle);
    return device != nullptr ? &device->sequencer : nullptr;
}

void Rack::advance(DeviceState& device, std::uint64_t clocks) {
    CaptureSession* sink = device.capture.isOpen() ? &device.capture : nullptr;
    if (clocks == UINT64_MAX)
        device.sequencer.runToRest(sink);
    else
        device.sequencer.advance(clocks, sink);
    if (sink != nullptr) sink->reached(device.sequencer.sampleNumber());
    // A real instrument would go on; this one stops at the limit, and the capture says it was cut.
    if (device.sequencer.state() == SequencerState::AtSampleLimit && sink != nullptr) {
        sink->note("capture truncated at the sample limit of " + std::to_string(device.sampleLimit()) + " clocks");
        endCapture(device);
    }
}

void Rack::endCapture(DeviceState& device) {
    if (!device.capture.isOpen()) return;
    device.captureEnded = true;
    // A capture cut short (a full disk) is not left behind looking whole.
    if (!device.capture.close()) {
        device.captureFailed = true;
        std::error_code error;
        const auto kind = std::filesystem::symlink_status(device.config.capturePath, error).type();
        if (kind == std::filesystem::file_type::regular || kind == std::filesystem::file_type::symlink)
            std::filesystem::remove(device.config.capturePath, error);
    }
}

std::uint8_t* Rack::findDevice() {
    ensureConfigured();
    return list_.data();
}

std::int32_t Rack::interfaceName(DeviceHandle handle, const std::uint8_t* entry, std::int32_t kind, char* buffer,
                                 std::int32_t bufferSize) {
    ensureConfigured();
    if (kind != 0 && kind != 1) return 0;
    if (entry != nullptr) {
        if (slotOfEntry(entry) < 0) return 0;
        // Read within the field widths: a name that fills its field has no NUL.
        const std::string name = kind == 0 ? getText(entry + entryModelNameOffset, entryModelNameBytes)
                                           : getText(entry + entryInterfaceOffset, entryInterfaceBytes);
        return copyName(name, buffer, bufferSize);
    }
    const DeviceState* device = openDevice(handle);
    if (device == nullptr) return 0;
    return copyName(kind == 0 ? modelName(device->config.modelCode) : device->config.interfaceName, buffer, bufferSize);
}

DeviceHandle Rack::hasHw(const std::uint8_t* entry) {
    ensureConfigured();
    const int slot = slotOfEntry(entry);
    if (slot < 0) return noDevice;
    DeviceState& device = devices_[static_cast<std::size_t>(slot)];
    if (device.removed) return noDevice;
    if (!device.open) {
        const OsHandle osHandle = platform_.openOsHandle ? platform_.openOsHandle(slot) : 0;
        if (osHandle == 0) return noDevice;
        device.osHandle = osHandle;
        device.open = true;
        if (device.config.unplugAfterMs > 0 && platform_.scheduleUnplug)
            platform_.scheduleUnplug(slot, device.config.unplugAfterMs);
    }
    return slot + 1;
}

std::int32_t Rack::reset(DeviceHandle handle) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    device->stateBits &= ~stateStarted;
    device->sequencer.stop();
    ++device->resets;
    return 1;
}

std::int32_t Rack::readStatus(DeviceHandle handle, std::int32_t* running, std::int32_t* word, std::int32_t* modelCode) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    if (!realTime() && device->sequencer.state() != SequencerState::Idle) advance(*device, statusSliceClocks);
    if (running != nullptr) *running = isAdvancing(device->sequencer.state()) ? 1 : 0;
    if (word != nullptr) *word = 0;
    if (modelCode != nullptr) *modelCode = device->config.modelCode;
    return 1;
}

std::int32_t Rack::adjVolt(DeviceHandle handle, std::int32_t group, std::int32_t level) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    const int code = device->config.modelCode;
    const LevelControl control = modelRow(code).levelControl;
    const int maxLevel = control == LevelControl::Named ? maxNamedLevel : maxVoltsLevel;
    if (control == LevelControl::None || level < 0 || level > maxLevel) return 0;
    if (group != 0 && !(group == 1 && hasSecondLevelBar(code))) return 0;
    device->levels[static_cast<std::size_t>(group)] = level;
    return 1;
}

std::int32_t Rack::getHwInfo(DeviceHandle handle, std::uint32_t code) {
    DeviceState* device = openDevice(handle);
    if (device == nullptr) return 0;
    if (!device->removed) keepPace(*device);
    switch (code) {
    case hwInfoModelCode: return device->config.modelCode;
    // Kernel handles fit in 32 bits on 64-bit Windows too; the program sign-extends the value.
    case hwInfoOsHandle: return static_cast<std::int32_t>(device->osHandle);
    case infoLevelGroup0: return device->levels[0];
    case infoLevelGroup1: return device->levels[1];
    case infoFrequency: return device->frequency;
    case infoFrequencyMode: return device->frequencyMode;
    case infoLoopValue: return device->loopValue;
    case infoSampleCount: return static_cast<std::int32_t>(device->samples.size());
    case infoEventSelection: return device->eventSelection;
    case infoStateBits: return device->stateBits | (device->removed ? stateRemoved : 0);
    case infoKeyEvents: return device->keyEvents;
    case infoResetCount: return device->resets;
    case infoSequencerState: return static_cast<std::int32_t>(device->sequencer.state());
    case infoSampleNumber: return static_cast<std::int32_t>(device->sequencer.sampleNumber() & 0x7FFFFFFF);
    case infoAddress: return static_cast<std::int32_t>(device->sequencer.address());
    default: return 0;
    }
}

std::int32_t Rack::setHwInfo(std::int32_t zero, std::uint32_t code, std::int32_t value) {
    ensureConfigured();
    if (zero != 0 || code != hwInfoDeviceRemoved || value != 1) return 0;
    // The program owns one open device; the notification does not say which, so every open one goes.
    std::int32_t marked = 0;
    for (auto& device : devices_)
        if (device.open) {
            device.removed = true;
            marked = 1;
        }
    return marked;
}

OsHandle Rack::unplug(int slot) {
    if (!configured_ || slot < 0 || slot >= static_cast<int>(devices_.size())) return 0;
    DeviceState& device = devices_[static_cast<std::size_t>(slot)];
    if (!device.open || device.removed) return 0;
    device.removed = true;
    return device.osHandle;
}

std::int32_t Rack::cardType(DeviceHandle handle) {
    const DeviceState* device = openDevice(handle);
    return device != nullptr ? device->config.cardType : 0;
}

std::int32_t Rack::setFreq(DeviceHandle handle, std::int32_t frequency, std::int32_t mode,
                           const std::int32_t* firstOut) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    if (mode == 4) { // a new stream follows; the clock is set again afterwards
        device->frequencyMode = mode;
        return frequency == 0 ? 1 : 0;
    }
    if (mode != 0 && mode != 5) return 0;
    if (mode == 5 && firstOut == nullptr) return 0;
    device->frequency = frequency;
    device->frequencyMode = mode;
    device->loopValue = mode == 5 ? (*firstOut & 0xFFFF) : 0;
    // The clock synthesiser makes exactly the model's achievable frequencies.
    const int nearest =
        nearestAchievableFrequency(frequency, frequencyNearest, capabilitiesFor(device->config.modelCode));
    return frequency >= 1 && nearest == frequency ? 1 : 0;
}

std::int32_t Rack::writeData(DeviceHandle handle, const void* samples, std::int32_t count) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr || count < 0 || (count > 0 && samples == nullptr)) return 0;
    const std::size_t capacity = sampleCapacity(device->config.modelCode);
    const std::size_t stored = std::min(static_cast<std::size_t>(count), capacity);
    device->samples.resize(stored);
    if (stored > 0) std::memcpy(device->samples.data(), samples, stored * sizeof(std::uint64_t));
    device->sequencer.load(device->samples);
    return stored == static_cast<std::size_t>(count) ? 1 : 0;
}

std::int32_t Rack::eventSel(DeviceHandle handle, std::int32_t selection) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr || selection < 0 || selection > selectedEventLimit) return 0;
    device->eventSelection = selection;
    return 1;
}

std::int32_t Rack::run(DeviceHandle handle) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    device->stateBits = (device->stateBits | stateStarted) & ~statePoweredDown;
    if (device->outputOpen) {
        device->earlierClocks += device->sequencer.sampleNumber();
    } else {
        device->outputOpen = true;
        device->earlierClocks = 0;
        device->captureEnded = false;
    }
    const std::uint64_t limit = device->sampleLimit();
    device->sequencer.setSampleLimit(limit > device->earlierClocks ? limit - device->earlierClocks : 0);
    if (!device->capture.isOpen() && !device->captureEnded && !device->config.capturePath.empty()) {
        const std::string& path = device->config.capturePath;
        if (!device->capture.open(isCaptureFolder(path) ? nextCaptureFile(path) : path,
                                  modelRow(device->config.modelCode).channels, device->frequency))
            device->captureFailed = true;
    }
    device->capture.beginRun();
    device->capture.outputsOn = (device->stateBits & stateOutputEnabled) != 0;
    device->sequencer.start();
    return 1;
}

std::int32_t Rack::dataUnlatch(DeviceHandle handle, std::int32_t latch) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr || (latch != 0 && latch != 1)) return 0;
    device->stateBits =
        latch == 1 ? (device->stateBits | stateDataUnlatched) : (device->stateBits & ~stateDataUnlatched);
    return 1;
}

std::int32_t Rack::outputEnable(DeviceHandle handle, std::int32_t enable) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    device->stateBits =
        enable != 0 ? (device->stateBits | stateOutputEnabled) : (device->stateBits & ~stateOutputEnabled);
    device->capture.outputsOn = enable != 0;
    // "Enables the outputs": every group, on card type 18 too, whose groups start off at qvRun; the
    // stream's own OE commands switch groups from there.
    if (enable != 0) device->sequencer.enableAllOutputs();
    return 1;
}

std::int32_t Rack::keyboardEvent(DeviceHandle handle) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    ++device->keyEvents;
    device->sequencer.keyEvent();
    return 1;
}

std::int32_t Rack::stop(DeviceHandle handle) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    device->stateBits &= ~stateStarted;
    device->sequencer.stop();
    return 1;
}

std::int32_t Rack::powerDown(DeviceHandle handle) {
    DeviceState* device = usableDevice(handle);
    if (device == nullptr) return 0;
    // As fast as possible, the instrument ran on while the program did not look: let it reach its
    // rest, then stop. In real time it has output what it could by now (usableDevice).
    if (!realTime() && device->sequencer.state() != SequencerState::Idle) advance(*device, UINT64_MAX);
    device->sequencer.stop();
    endCapture(*device);
    device->outputOpen = false;
    device->stateBits = (device->stateBits & ~(stateStarted | stateOutputEnabled)) | statePoweredDown;
    return 1;
}

std::int32_t Rack::shutdown(DeviceHandle handle) {
    if (!configured_) return handle == noDevice ? 1 : 0;
    DeviceState* device = openDevice(handle);
    if (device == nullptr && handle != noDevice) return 0;
    if (device != nullptr) close(handle - 1);
    // With nothing left open the driver is closed: the next call reads the configuration again.
    if (std::none_of(devices_.begin(), devices_.end(), [](const DeviceState& d) { return d.open; }))
        forgetConfiguration();
    return 1;
}

std::int32_t Rack::startFile(DeviceHandle handle, const char* path, std::int32_t kind) {
    constexpr std::int32_t failed = 1;
    DeviceState* device = usableDevice(handle);
    if (device == nullptr || path == nullptr || (kind != 0 && kind != 1)) return failed;
    // The file is prepared as the Wave Editor prepares its document, then run and released.
    const Capabilities caps = capabilitiesFor(device->config.modelCode);
    auto doc = Document::create(caps, true);
    if (!doc) return failed;
    NoPrompt prompt;
    const std::string name(path);
    if (isTextVectorFileName(name) != (kind == 1)) return failed;
    if (openWaveformFile(name, *doc, prompt) != Msg::None) return failed;
    const PreparedOutput prepared =
        prepareDocumentForOutput(doc->sampleBuffer(), doc->usableSamples(), doc->labels(), doc->secondBuffer());
    if (prepared.lengthSamples <= 0) return failed;
    device->startedFile = name;
    device->startedFileKind = kind;
    reset(handle);
    std::int32_t frequencyMode = doc->output().frequencyMode;
    if (setFreq(handle, doc->output().baseFrequency, frequencyMode != 0 ? 5 : 0, &frequencyMode) == 0)
        device->frequency = nearestAchievableFrequency(doc->output().baseFrequency, frequencyNearest, caps);
    writeData(handle, doc->sampleBuffer().data(), prepared.lengthSamples);
    run(handle);
    dataUnlatch(handle, 1);
    outputEnable(handle, 1);
    advance(*device, UINT64_MAX); // to the start handshake: a few clocks after the prefix's WE
    keyboardEvent(handle);
    return 0;
}

} // namespace qv::sim
