// A driver that records its calls as text ("setfreq 1000 mode 0 word 0") with the driver-busy flag
// at each call, for the tests of everything that drives the instrument through the Driver port.
// One test at a time: the recording is process-wide, reset in each test's set-up.
#pragma once

#include "device/driver.h"
#include "device/interlock.h"
#include "waveedit/sample.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace qv::test {

struct DriverRecording {
    std::vector<std::string> calls;
    std::vector<int> busyAtCall; // the driver-busy flag at each call; -1 without an interlock
    std::int32_t setFreqResult = 1; // what qvSetFreq answers outside mode 4
    std::int32_t cardType = 0; // what qvCardType answers
    std::deque<std::int32_t> runningWords; // qvReadStatus answers; 0 when empty
    std::deque<std::int32_t> startResults; // uqvStartEx answers; 0 when empty
    std::function<void()> onReadStatus;
    std::vector<Sample> written; // the last qvWriteData's samples
    DriverInterlock* interlock = nullptr;

    bool allBusy() const {
        return std::all_of(busyAtCall.begin(), busyAtCall.end(), [](int b) { return b == 1; });
    }
};
inline DriverRecording driverRecording;

inline std::int32_t recordCall(const std::string& call) {
    DriverRecording& r = driverRecording;
    r.calls.push_back(call);
    r.busyAtCall.push_back(r.interlock != nullptr ? r.interlock->driverBusy.load() : -1);
    return 1;
}

inline Driver recordingDriver() {
    Driver d;
    d.qvReset = [](std::int32_t) { return recordCall("reset"); };
    d.qvAdjVolt = [](std::int32_t, std::int32_t group, std::int32_t level) {
        return recordCall("adjvolt " + std::to_string(group) + " " + std::to_string(level));
    };
    d.qvSetFreq = [](std::int32_t, std::int32_t f, std::int32_t mode, std::int32_t* first, std::int32_t*, std::int32_t*,
                     std::int32_t*, std::int32_t*, std::int32_t*) -> std::int32_t {
        recordCall("setfreq " + std::to_string(f) + " mode " + std::to_string(mode) + " word " +
                   std::to_string(*first));
        return mode == 4 ? 1 : driverRecording.setFreqResult;
    };
    d.qvWriteData = [](std::int32_t, const void* samples, std::int32_t count) {
        const auto* s = static_cast<const Sample*>(samples);
        driverRecording.written.assign(s, s + count);
        return recordCall("write " + std::to_string(count));
    };
    d.qvEventSel = [](std::int32_t, std::int32_t selection) {
        return recordCall("eventsel " + std::to_string(selection));
    };
    d.qvRun = [](std::int32_t) { return recordCall("run"); };
    d.qvDataUnlatch = [](std::int32_t, std::int32_t v) { return recordCall("unlatch " + std::to_string(v)); };
    d.qvOutputEnable = [](std::int32_t, std::int32_t v) { return recordCall("enable " + std::to_string(v)); };
    d.qvReadStatus = [](std::int32_t, std::int32_t* running, std::int32_t*, std::int32_t* model) {
        recordCall("status");
        DriverRecording& r = driverRecording;
        if (r.onReadStatus) r.onReadStatus();
        *running = r.runningWords.empty() ? 0 : r.runningWords.front();
        if (!r.runningWords.empty()) r.runningWords.pop_front();
        *model = 0xC350;
        return 1;
    };
    d.qvKeyboardEvent = [](std::int32_t) -> std::int32_t {
        recordCall("key");
        return 7;
    };
    d.qvStop = [](std::int32_t) { return recordCall("stop"); };
    d.qvCardType = [](std::int32_t) {
        recordCall("cardtype");
        return driverRecording.cardType;
    };
    d.qvPowerDown = [](std::int32_t) { return recordCall("powerdown"); };
    d.uqvStartEx = [](std::int32_t, const char* path, std::int32_t kind, std::int32_t zero) -> std::int32_t {
        recordCall("startex " + std::string(path) + " kind " + std::to_string(kind) + " " + std::to_string(zero));
        DriverRecording& r = driverRecording;
        const std::int32_t result = r.startResults.empty() ? 0 : r.startResults.front();
        if (!r.startResults.empty()) r.startResults.pop_front();
        return result;
    };
    return d;
}

} // namespace qv::test
