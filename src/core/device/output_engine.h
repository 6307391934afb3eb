// The output engine every tool's output thread goes through: the clock check at Run, loading a
// built sample stream, the run routine that starts the instrument and releases its start
// handshake, sections of data larger than the sample memory, Stop and the manual trigger. Every
// group of driver calls is bracketed by the driver-busy / external-hold interlock. It owns no
// window: questions go through the Prompt port, waits through an injectable pause, and the tool
// gives its stream as a build callback. The Wave Editor's own preamble (levels, mode 4, the
// image preparation) is its own; it calls the run routine from here.
#pragma once

#include "app/models.h"
#include "device/driver.h"
#include "device/interlock.h"
#include "device/prompt.h"
#include "support/strings.h"
#include "waveedit/sample.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <thread>

namespace qv {

// The run-state flags shared by a tool's UI thread and its output thread.
struct OutputFlags {
    std::atomic<int> running{0};
    std::atomic<int> outputActive{0};
    std::atomic<int> stopRequest{0}; // the Wave Editor's Stop Run
};

// Waits of the engine: pause(0) yields, pause(n) sleeps n ms. Tests pass a recorder.
using Pause = std::function<void(int milliseconds)>;
void realPause(int milliseconds);

inline constexpr int eventSelectSettleMs = 50; // after qvEventSel, before qvRun
inline constexpr int setFreqModeClock = 0;
inline constexpr int setFreqModeNewStream = 4;
inline constexpr int setFreqModeLoop = 5;

// What the engine works with; all references outlive the engine.
struct OutputPorts {
    const Driver& driver;
    DeviceHandle device;
    DriverInterlock& interlock;
    OutputFlags& flags;
    Prompt& prompt;
    Capabilities capabilities;
    Pause pause = realPause;
    IdleStep idle = yieldStep; // between two looks at the external hold
};

// One group of driver calls of an output thread: takes the driver-busy flag and waits out the
// other process's hold, unless a stop is requested meanwhile; releases the flag when it ends.
class OutputCallGroup {
  public:
    explicit OutputCallGroup(OutputPorts& ports) : ports_(ports) {
        ports_.interlock.driverBusy.store(1);
        while (ports_.interlock.externalHold.load() != 0 && ports_.flags.stopRequest.load() == 0) ports_.idle();
    }
    ~OutputCallGroup() { ports_.interlock.release(); }
    OutputCallGroup(const OutputCallGroup&) = delete;
    OutputCallGroup& operator=(const OutputCallGroup&) = delete;

  private:
    OutputPorts& ports_;
};

// ---- clock check ---------------------------------------------------------------------------

enum class ClockOutcome {
    Exact, // qvSetFreq took the clock
    Adjusted, // the user took the nearest achievable clock (12023 Yes, then 12053)
    Refused, // 12023 No: nothing is written; the tool stops itself
    TooFast, // above the model's maximum output frequency; the tool says so in its own words
};
struct ClockCheck {
    ClockOutcome outcome;
    int clockHz; // the clock to run at (Exact, Adjusted)
};

// How the clock is set before the first buffer.
enum class ClockRule {
    AskNearby, // the clock check: a clock qvSetFreq refuses raises 12023 (most tools)
    AsGiven, // qvSetFreq and go on whatever it answers (the UART's baud rule picks its clocks)
    Nearest, // the nearest achievable clock, silently (the I2C tool)
};

// Steps 1-3 of the clock check. resetFirst: qvReset before qvSetFreq (the counters skip it).
ClockCheck checkClock(OutputPorts& ports, int clockHz, bool resetFirst = true);
// The first step of an output by rule: checkClock for AskNearby; otherwise qvReset (when
// resetFirst) and qvSetFreq with the clock as given or the nearest achievable one, never asking.
// TooFast when the clock to set lies above the model's maximum output frequency.
ClockCheck setClock(OutputPorts& ports, int clockHz, ClockRule rule, bool resetFirst = true);
// After qvSetFreq refused a clock: 12023 (Yes/No); Yes takes the nearest achievable clock and
// shows it with 12053 (Adjusted), No gives Refused.
ClockCheck askForNearbyClock(OutputPorts& ports, int clockHz);

// qvSetFreq with its first out-word set (the loop value or the frequency mode); the caller holds
// the driver-busy flag.
std::int32_t setFreq(OutputPorts& ports, int clockHz, int mode, std::int32_t firstWord);

// ---- run routine ---------------------------------------------------------------------------

// qvReset, qvSetFreq (mode 5 with the loop value when nonzero, else 0), qvEventSel and 50 ms,
// qvRun, qvDataUnlatch(1), qvOutputEnable(1), then poll qvReadStatus until the running word is 0
// (the start handshake) or a stop is requested, and send the key event; returns its result. The
// caller holds the driver-busy flag.
std::int32_t runRoutine(OutputPorts& ports, int clockHz, int loopValue, int eventSelection);

// ---- sections ------------------------------------------------------------------------------

enum class SectionChoice { Whole, Sections, Truncate, Refuse };
// Data that fits is output whole. Otherwise 12024 (OK/Cancel): OK outputs it in sections; Cancel
// outputs what fits, or, with repeat requested, shows 12025 and outputs nothing.
SectionChoice chooseSections(Prompt& prompt, bool dataFits, bool repeat);

// One buffer of a stream: the samples to load (prefix sample 0 first), whether more follow.
struct Section {
    std::span<const Sample> samples;
    bool last = true;
    Msg error = Msg::None; // the builder's error: nothing more is output
    bool abandon = false; // the builder ended the output quietly (a question answered No)
};
// Builds section `index` (0 first) into the tool's buffer; the span stays valid until the next call.
using SectionBuilder = std::function<Section(int index)>;

struct OutputJob {
    int clockHz = 0;
    int loopValue = 0;
    int eventSelection = 0;
    bool resetBeforeClock = true;
    SectionBuilder build;
    ClockRule clockRule = ClockRule::AskNearby;
    // The generators announce every buffer, the first too, with qvSetFreq(0, mode 4) and qvReset.
    bool newStreamFirst = false;
};

enum class OutputResult {
    Running, // the last (or only) buffer is running on the instrument
    Refused, // the clock was refused (12023 No) or too fast, or the builder abandoned; nothing was written
    Stopped, // Stop came between sections; the thread ended without qvStop
    BuildFailed, // the builder reported an error (in `error`)
};
struct OutputOutcome {
    OutputResult result;
    Msg error = Msg::None;
    int clockHz = 0; // the clock used
    int sections = 0; // buffers loaded
};

// The whole output on the calling thread: clock check, first buffer and run routine, then for
// each further section: poll until the sequencer rests (ending quietly when the running flag was
// cleared), qvDataUnlatch(0), qvStop, build, qvSetFreq(0, mode 4), qvReset, load, run routine.
// Sets the output-active flag once the first buffer runs.
OutputOutcome runOutput(OutputPorts& ports, const OutputJob& job);

// ---- stop and trigger ------------------------------------------------------------------------

// A tool's Stop: qvPowerDown and the running and output-active flags cleared. The Wave Editor's
// Stop Run also sets the stop request (asStopRequest).
void stopOutput(OutputPorts& ports, bool asStopRequest = false);
// Run while output runs: beep and the key event; false (nothing sent) when not running.
bool manualTrigger(OutputPorts& ports, const std::function<void()>& beep);

// One worker at a time on its own std::thread: start() refuses (false) while the previous work is
// still running and joins a finished one first; join() before what the work uses goes away.
class SingleRunThread {
  public:
    SingleRunThread() = default;
    ~SingleRunThread() { join(); }
    SingleRunThread(const SingleRunThread&) = delete;
    SingleRunThread& operator=(const SingleRunThread&) = delete;

    bool start(std::function<void()> work);
    void join() {
        if (thread_.joinable()) thread_.join();
    }
    bool busy() const { return busy_.load() != 0; }

  private:
    std::thread thread_;
    std::atomic<int> busy_{0};
};

// The output thread: runs runOutput on a SingleRunThread; join() before the ports go away.
class OutputThread {
  public:
    // Starts the thread unless one is still running (then false); `done` is called on the thread
    // with the outcome, as its last step.
    bool start(OutputPorts& ports, OutputJob job, std::function<void(const OutputOutcome&)> done);
    void join() { runner_.join(); }
    bool busy() const { return runner_.busy(); }

  private:
    SingleRunThread runner_;
};

} // namespace qv
