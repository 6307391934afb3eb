// Batch output's thread logic and list rules. Every group of driver calls holds the driver-busy
// flag and waits out another process's hold (OutputCallGroup); waits go through the ports' pause,
// so tests run the loop without sleeping.
#include "converters/batch_output.h"

#include "support/strings.h"

#include <algorithm>
#include <cctype>

namespace qv::batch {
namespace {

bool running(const OutputPorts& ports) { return ports.flags.running.load() != 0; }

void resetDevice(OutputPorts& ports) {
    OutputCallGroup group(ports);
    ports.driver.qvReset(ports.device);
}

void unlatchAndStop(OutputPorts& ports) {
    OutputCallGroup group(ports);
    ports.driver.qvDataUnlatch(ports.device, 0);
    ports.driver.qvStop(ports.device);
}

std::int32_t startFile(OutputPorts& ports, const std::string& path) {
    OutputCallGroup group(ports);
    return ports.driver.uqvStartEx(ports.device, path.c_str(), fileKind(path), 0);
}

// Until the sequencer no longer runs the file, or Stop.
void waitUntilDone(OutputPorts& ports) {
    while (running(ports)) {
        std::int32_t busy = 0, word = 0, model = 0;
        {
            OutputCallGroup group(ports);
            ports.driver.qvReadStatus(ports.device, &busy, &word, &model);
        }
        if (busy == 0) return;
        ports.pause(0);
    }
}

void waitInterval(OutputPorts& ports, int milliseconds) {
    for (int left = milliseconds; left > 0 && running(ports); left -= intervalSliceMs)
        ports.pause(std::min(left, intervalSliceMs));
}

void waitForManual(OutputPorts& ports, std::atomic<int>& manualWait, const BatchProgress& progress) {
    manualWait.store(1);
    if (progress.enableManual) progress.enableManual(true);
    while (manualWait.load() != 0 && running(ports)) ports.pause(0);
}

} // namespace

int fileKind(std::string_view path) {
    if (path.size() < 3) return kindWaveform;
    std::string last(path.substr(path.size() - 3));
    for (char& c : last) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return last == "qvv" ? kindTextVector : kindWaveform;
}

BatchOutcome runBatch(OutputPorts& ports, const BatchSettings& settings, std::atomic<int>& manualWait,
                      const BatchProgress& progress) {
    BatchOutcome outcome;
    const int count = static_cast<int>(settings.files.size());
    resetDevice(ports);
    ports.flags.outputActive.store(1);
    for (int entry = 0; count > 0 && running(ports);) {
        if (!settings.intervalMode && progress.enableManual) progress.enableManual(false);
        if (progress.selectEntry) progress.selectEntry(entry);
        const std::int32_t result = startFile(ports, settings.files[static_cast<std::size_t>(entry)]);
        if (result == 0 || ports.device == noDevice) {
            ++outcome.filesStarted;
        } else if (ports.prompt.ask(static_cast<int>(Msg::FileOutputError), Buttons::YesNo) != Answer::Yes) {
            outcome.declined = true;
            break;
        }
        waitUntilDone(ports);
        if (settings.intervalMode)
            waitInterval(ports, settings.intervalMs);
        else
            waitForManual(ports, manualWait, progress);
        unlatchAndStop(ports);
        if (++entry == count) {
            if (!settings.loopAlways) break;
            entry = 0;
        }
    }
    unlatchAndStop(ports);
    manualWait.store(0);
    ports.flags.running.store(0);
    ports.flags.outputActive.store(0);
    return outcome;
}

int selectionAfterRemove(int removed, int remaining) {
    if (remaining <= 0) return -1;
    return std::min(removed, remaining - 1);
}

int moveDestination(int selected, int count, bool up) {
    if (selected < 0 || selected >= count) return -1;
    const int destination = up ? selected - 1 : selected + 1;
    return destination >= 0 && destination < count ? destination : -1;
}

std::vector<std::string> selectedPaths(const std::vector<std::string>& parts) {
    if (parts.size() <= 1) return parts;
    std::string folder = parts.front();
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < parts.size(); ++i) paths.push_back(folder + parts[i]);
    return paths;
}

} // namespace qv::batch
