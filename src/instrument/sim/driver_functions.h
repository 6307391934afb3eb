// The driver functions of the virtual instrument over one process-wide rack, each call under one
// lock (the program calls from its UI thread and its output threads at once). QvRun.dll exports
// these under the driver's names; native tests put them straight into a Driver table.
#pragma once

#include "device/driver.h"
#include "sim/rack.h"

#include <functional>

namespace qv::sim {

// Replaces the rack by a fresh one over this platform (open devices of the old one are closed).
void installPlatform(Platform platform);

// Runs f on the rack under the lock; for tests that inspect a device's state.
void withRack(const std::function<void(Rack&)>& f);

// Rack::unplug under the lock, for the platform's unplug timer.
OsHandle unplugDevice(int slot);

// Every driver function, ready for the program's Driver port.
Driver simulatorDriver();

#define QV_SIM_DECLARE(result, name, params) result QV_DRIVER_CALL name params;
QV_DRIVER_FUNCTIONS(QV_SIM_DECLARE)
#undef QV_SIM_DECLARE

} // namespace qv::sim
