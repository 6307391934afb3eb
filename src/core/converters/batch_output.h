// Batch output: a list of waveform files (.qvw, .qvv) handed whole to the driver's file output,
// one after another, each followed by a fixed interval or a wait for the user's Manual click,
// optionally looping over the list until Stop. The output thread's logic only: it talks to the
// instrument through the Driver port, asks through the Prompt port and tells its window what to
// show through callbacks; the list box, the buttons and the thread itself belong to the dialog.
// Also the list's edit rules (what Remove, Up and Down select) and how a multiple selection of
// the open dialog becomes paths. Files are not read here: the driver reads them.
#pragma once

#include "device/output_engine.h"

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::batch {

inline constexpr int kindWaveform = 0; // .qvw
inline constexpr int kindTextVector = 1; // .qvv
// The longest slice of an interval between two looks at the running flag, so Stop ends it soon.
inline constexpr int intervalSliceMs = 50;

// 1 when the path's last three characters, in lower case, are "qvv"; else 0.
int fileKind(std::string_view path);

// Read once when the run starts.
struct BatchSettings {
    std::vector<std::string> files; // in play order
    bool intervalMode = true; // false: each file waits for Manual
    int intervalMs = 0; // 0 or less: no wait
    bool loopAlways = false;
};

// What the output thread tells its window (the window posts itself the change); either may be empty.
struct BatchProgress {
    std::function<void(int entry)> selectEntry;
    std::function<void(bool enabled)> enableManual;
};

struct BatchOutcome {
    int filesStarted = 0; // uqvStartEx calls that succeeded
    bool declined = false; // 12091 answered No
};

// The output thread: qvReset and the output-active flag, then for each entry while running:
// uqvStartEx (a failure asks 12091; No ends the batch), qvReadStatus polled until the device is
// done or the running flag is cleared, the interval or the wait for Manual (manualWait set here,
// cleared by Manual), qvDataUnlatch(0) and qvStop; at the end once more qvDataUnlatch(0) and
// qvStop, and the running and output-active flags cleared. In demo mode (no device) the driver's
// answers are not relied on: no question is asked.
BatchOutcome runBatch(OutputPorts& ports, const BatchSettings& settings, std::atomic<int>& manualWait,
                      const BatchProgress& progress = {});

// ---- the list ----------------------------------------------------------------------------------

// The selection after Remove of entry `removed`, `remaining` entries left: the same index, the
// new last entry when the last was removed, -1 when the list is empty.
int selectionAfterRemove(int removed, int remaining);
// Where Up (or Down) moves the selected entry: its new index, or -1 when it stays (the first
// entry up, the last down, no selection).
int moveDestination(int selected, int count, bool up);
// The open dialog's multiple selection: one part is the chosen file's full path; several parts
// are the folder followed by the names, each appended as folder + "\" + name in the given order.
std::vector<std::string> selectedPaths(const std::vector<std::string>& parts);

} // namespace qv::batch
