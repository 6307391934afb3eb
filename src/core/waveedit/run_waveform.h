// The Wave Editor's output thread as one function over the document and the output engine: the
// clock set in the frequency mode, the output levels of the model, the image prepared as device
// memory wants it (unlabelled channels cleared in the document for good), the load, the run
// routine and the restore. It owns no thread and no window; the caller sets the thread's language
// first and posts Stop Run when the user refuses the clock. Also the event hot key during output.
#pragma once

#include "device/output_engine.h"
#include "waveedit/document.h"

#include <atomic>
#include <functional>
#include <thread>

namespace qv {

enum class WaveRunResult {
    Running, // the image is loaded and released; the instrument runs until Stop Run
    Refused, // 12023 answered No: nothing was written; the caller posts Stop Run
    Failed, // the image could not be prepared (no room); nothing was written
};
struct WaveRunOutcome {
    WaveRunResult result = WaveRunResult::Failed;
    int baseFrequency = 0; // the clock in force (the nearest achievable one after 12023 Yes)
    int lengthSamples = 0; // samples written from prefix sample 0
};

// Steps 2-11 of one run. The running flag belongs to the caller; the output-active flag is set
// once the image runs. After 12023 Yes the document's base frequency becomes the achievable one.
// The image is restored from the output backup (the document's second buffer) before returning,
// apart from the unlabelled channels, which stay cleared.
WaveRunOutcome runWaveform(OutputPorts& ports, Document& document);

// The Wave Editor's output thread: runWaveform on its own thread. `done` runs on the thread as its
// last step (the editor posts Stop Run from it after Refused). join() before the ports or the
// document go away; the destructor joins.
class WaveRunThread {
  public:
    // False (nothing started) while a run is still in its thread.
    bool start(OutputPorts& ports, Document& document, std::function<void(const WaveRunOutcome&)> done);
    void join() { runner_.join(); }
    bool busy() const { return runner_.busy(); }

  private:
    SingleRunThread runner_;
};

// Return (13) or Space (32) while output runs: the key equal to the document's event hot key
// sends the key event. True when it was sent.
bool sendEventHotKey(OutputPorts& ports, const OutputSettings& settings, int key);

} // namespace qv
