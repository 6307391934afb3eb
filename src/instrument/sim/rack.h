// The virtual instruments attached to this driver: the device list handed to the program, the
// handles it opens and each instrument's state (levels, clock, loaded samples, run state). Pure
// logic; the DLL glue supplies the platform (configuration texts, OS handles) and the lock.
// Output functions drive each instrument's sequencer. With a wall clock (the DLL) it keeps pace
// with a real instrument: every driver call first lets it output the clocks that have passed since
// the last call at the set clock. Without one (native tests, qvtool) it runs as fast as it can, on
// demand: every qvReadStatus lets it go on by a slice of clocks, and qvPowerDown lets it run to
// where it rests first.
#pragma once

#include "device/driver.h"
#include "sim/config.h"
#include "sim/sequencer.h"
#include "sim/vcd_capture.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qv::sim {

// Device-list entry fields beyond those the program reads (flags 0, device number 44, serial 64).
inline constexpr int entrySignatureOffset = 4;
inline constexpr std::uint32_t entrySignature = 0x49565651u; // "QVVI"
inline constexpr int entrySlotOffset = 8;
inline constexpr int entryModelCodeOffset = 12;
inline constexpr int entryCardTypeOffset = 16;
inline constexpr int entryGenerationOffset = 20; // changes whenever the driver re-reads its configuration
inline constexpr int entryInterfaceOffset = 24;
inline constexpr int entryInterfaceBytes = maxInterfaceLength;
inline constexpr int entryModelNameOffset = 48;
inline constexpr int entryModelNameBytes = 16;
static_assert(entryInterfaceOffset + entryInterfaceBytes <= deviceEntryNumberOffset);
static_assert(entryModelNameOffset + entryModelNameBytes <= deviceEntrySerialOffset);

// The virtual instrument's own qvGetHwInfo codes ("QV" 0x5156 in the high word), for tests.
inline constexpr std::uint32_t infoLevelGroup0 = 0x51560001u; // -1 until qvAdjVolt set it
inline constexpr std::uint32_t infoLevelGroup1 = 0x51560002u;
inline constexpr std::uint32_t infoFrequency = 0x51560003u;
inline constexpr std::uint32_t infoFrequencyMode = 0x51560004u;
inline constexpr std::uint32_t infoLoopValue = 0x51560005u;
inline constexpr std::uint32_t infoSampleCount = 0x51560006u;
inline constexpr std::uint32_t infoEventSelection = 0x51560007u;
inline constexpr std::uint32_t infoStateBits = 0x51560008u;
inline constexpr std::uint32_t infoKeyEvents = 0x51560009u;
inline constexpr std::uint32_t infoResetCount = 0x5156000Au;
inline constexpr std::uint32_t infoSequencerState = 0x5156000Bu; // SequencerState as int
inline constexpr std::uint32_t infoSampleNumber = 0x5156000Cu; // clocks of the current run (low 32 bits)
inline constexpr std::uint32_t infoAddress = 0x5156000Du; // the address the sequencer outputs next

// Clocks the sequencer goes on by at each qvReadStatus.
inline constexpr std::uint64_t statusSliceClocks = 1 << 20;

// Bits of infoStateBits.
inline constexpr int stateStarted = 1; // qvRun, until qvStop, qvReset or qvPowerDown
inline constexpr int stateDataUnlatched = 2; // last qvDataUnlatch argument was 1
inline constexpr int stateOutputEnabled = 4;
inline constexpr int statePoweredDown = 8;
inline constexpr int stateRemoved = 16;

using OsHandle = std::intptr_t;

// What the rack needs from its host. Empty functions are allowed: no configuration (no
// instrument), no OS handle (opening fails), no report.
struct Platform {
    std::function<Configuration()> readConfiguration;
    std::function<OsHandle(int slot)> openOsHandle; // 0 when it cannot be opened
    std::function<void(OsHandle)> closeOsHandle;
    std::function<void(const std::string&)> report; // one configuration problem per call
    // An instrument with an unplug delay was opened / is closed before it went.
    std::function<void(int slot, int milliseconds)> scheduleUnplug;
    std::function<void(int slot)> cancelUnplug;
    // A steady clock in nanoseconds; set, the sequencers keep pace with it (real time).
    std::function<std::uint64_t()> nowNanoseconds;
};

struct DeviceState {
    DeviceConfig config;
    bool open = false;
    bool removed = false;
    OsHandle osHandle = 0;
    std::array<std::int32_t, 2> levels{-1, -1};
    std::int32_t frequency = 0;
    std::int32_t frequencyMode = 0;
    std::int32_t loopValue = 0;
    std::vector<std::uint64_t> samples;
    std::int32_t eventSelection = 0;
    int stateBits = 0;
    std::int32_t keyEvents = 0;
    std::int32_t resets = 0;
    std::string startedFile; // last uqvStartEx file and kind
    std::int32_t startedFileKind = -1;
    Sequencer sequencer;
    CaptureSession capture;
    bool captureFailed = false; // the capture file could not be created or written (it is removed)
    // One output runs from its first qvRun to qvPowerDown, its sections one run each: the sample
    // limit counts all of them, and a capture ended at the limit is not opened again.
    bool outputOpen = false;
    std::uint64_t earlierClocks = 0; // clocks output by the earlier runs of this output
    bool captureEnded = false;

    std::uint64_t sampleLimit() const { return config.sampleLimit > 0 ? config.sampleLimit : defaultSampleLimit; }
    // Clocks output by this output so far, all runs.
    std::uint64_t outputClocks() const { return earlierClocks + sequencer.sampleNumber(); }
    // Real time: the wall-clock time up to which the sequencer has output its clocks, and the
    // part of a clock left over (in nanosecond-hertz, below 10^9).
    std::uint64_t pacedUntil = 0;
    std::uint64_t pacedRemainder = 0;
};

// Clocks a `hertz` clock outputs in `nanoseconds`, with `remainder` (nanosecond-hertz below 10^9)
// carried from the last interval and updated for the next, so that no part of a clock is lost.
std::uint64_t clocksIn(std::uint64_t nanoseconds, std::uint64_t hertz, std::uint64_t& remainder);

class Rack {
  public:
    explicit Rack(Platform platform = {});
    ~Rack();
    Rack(const Rack&) = delete;
    Rack& operator=(const Rack&) = delete;

    std::uint8_t* findDevice();
    std::int32_t interfaceName(DeviceHandle handle, const std::uint8_t* entry, std::int32_t kind, char* buffer,
                               std::int32_t bufferSize);
    DeviceHandle hasHw(const std::uint8_t* entry);
    std::int32_t reset(DeviceHandle handle);
    std::int32_t readStatus(DeviceHandle handle, std::int32_t* running, std::int32_t* word, std::int32_t* modelCode);
    std::int32_t adjVolt(DeviceHandle handle, std::int32_t group, std::int32_t level);
    std::int32_t getHwInfo(DeviceHandle handle, std::uint32_t code);
    std::int32_t setHwInfo(std::int32_t zero, std::uint32_t code, std::int32_t value);
    std::int32_t cardType(DeviceHandle handle);
    std::int32_t setFreq(DeviceHandle handle, std::int32_t frequency, std::int32_t mode, const std::int32_t* firstOut);
    std::int32_t writeData(DeviceHandle handle, const void* samples, std::int32_t count);
    std::int32_t eventSel(DeviceHandle handle, std::int32_t selection);
    std::int32_t run(DeviceHandle handle);
    std::int32_t dataUnlatch(DeviceHandle handle, std::int32_t latch);
    std::int32_t outputEnable(DeviceHandle handle, std::int32_t enable);
    std::int32_t keyboardEvent(DeviceHandle handle);
    std::int32_t stop(DeviceHandle handle);
    std::int32_t powerDown(DeviceHandle handle);
    std::int32_t shutdown(DeviceHandle handle);
    // Output of a whole waveform file: stores the request; 0 when accepted.
    std::int32_t startFile(DeviceHandle handle, const char* path, std::int32_t kind);

    // The scheduled unplug of an instrument: it is removed; returns its OS handle for the removal
    // notification, or 0 when it is no longer open or already removed.
    OsHandle unplug(int slot);

    // An open device by handle, or null; for tests and the later sequencer.
    const DeviceState* device(DeviceHandle handle) const;
    // The sequencer of an open device, for tests and the command line (which step it themselves).
    Sequencer* sequencer(DeviceHandle handle);

  private:
    void ensureConfigured();
    void forgetConfiguration();
    void close(int slot);
    DeviceState* openDevice(DeviceHandle handle); // open, possibly removed
    DeviceState* usableDevice(DeviceHandle handle); // open and not removed
    int slotOfEntry(const std::uint8_t* entry) const;
    void advance(DeviceState& device, std::uint64_t clocks);
    bool realTime() const { return static_cast<bool>(platform_.nowNanoseconds); }
    // Real time: the clocks that have passed since the last call.
    void keepPace(DeviceState& device);
    void endCapture(DeviceState& device);

    Platform platform_;
    bool configured_ = false;
    std::uint32_t generation_ = 0;
    std::vector<DeviceState> devices_;
    alignas(8) std::array<std::uint8_t, deviceListEntries * deviceEntryBytes> list_{};
};

// The model name the driver reports for a model code, e.g. "QV-C350".
std::string modelName(int modelCode);

} // namespace qv::sim
