// Driver functions of the virtual instrument: argument plumbing and the lock; logic is in Rack.
#include "sim/driver_functions.h"

#include "waveedit/qvv_reader.h"

#include <memory>
#include <mutex>

namespace qv::sim {
namespace {

std::mutex rackMutex;

std::unique_ptr<Rack>& rackSlot() {
    static std::unique_ptr<Rack> rack = std::make_unique<Rack>();
    return rack;
}

template <typename F> auto locked(F&& f) {
    std::lock_guard lock(rackMutex);
    return f(*rackSlot());
}

} // namespace

void installPlatform(Platform platform) {
    std::lock_guard lock(rackMutex);
    rackSlot().reset(); // closes the old rack's handles before the new platform takes over
    rackSlot() = std::make_unique<Rack>(std::move(platform));
}

void withRack(const std::function<void(Rack&)>& f) {
    locked([&](Rack& rack) {
        f(rack);
        return 0;
    });
}

OsHandle unplugDevice(int slot) {
    return locked([&](Rack& r) { return r.unplug(slot); });
}

Driver simulatorDriver() {
    Driver driver;
#define QV_SIM_ASSIGN(result, name, params) driver.name = &qv::sim::name;
    QV_DRIVER_FUNCTIONS(QV_SIM_ASSIGN)
#undef QV_SIM_ASSIGN
    return driver;
}

std::uint8_t* QV_DRIVER_CALL qvFindDevice(void) {
    return locked([](Rack& r) { return r.findDevice(); });
}

std::int32_t QV_DRIVER_CALL qvInterfaceName(std::int32_t handle, const std::uint8_t* entry, std::int32_t kind,
                                            char* buffer, std::int32_t bufferSize) {
    return locked([&](Rack& r) { return r.interfaceName(handle, entry, kind, buffer, bufferSize); });
}

std::int32_t QV_DRIVER_CALL qvHasHw(const std::uint8_t* entry) {
    return locked([&](Rack& r) { return r.hasHw(entry); });
}

std::int32_t QV_DRIVER_CALL qvReset(std::int32_t handle) {
    return locked([&](Rack& r) { return r.reset(handle); });
}

std::int32_t QV_DRIVER_CALL qvReadStatus(std::int32_t handle, std::int32_t* running, std::int32_t* word,
                                         std::int32_t* modelCode) {
    return locked([&](Rack& r) { return r.readStatus(handle, running, word, modelCode); });
}

std::int32_t QV_DRIVER_CALL qvAdjVolt(std::int32_t handle, std::int32_t group, std::int32_t level) {
    return locked([&](Rack& r) { return r.adjVolt(handle, group, level); });
}

std::int32_t QV_DRIVER_CALL qvGetHwInfo(std::int32_t handle, std::uint32_t code) {
    return locked([&](Rack& r) { return r.getHwInfo(handle, code); });
}

std::int32_t QV_DRIVER_CALL qvSetHwInfo(std::int32_t zero, std::uint32_t code, std::int32_t value) {
    return locked([&](Rack& r) { return r.setHwInfo(zero, code, value); });
}

std::int32_t QV_DRIVER_CALL qvCardType(std::int32_t handle) {
    return locked([&](Rack& r) { return r.cardType(handle); });
}

std::int32_t QV_DRIVER_CALL qvSetFreq(std::int32_t handle, std::int32_t frequency, std::int32_t mode,
                                      std::int32_t* out1, std::int32_t*, std::int32_t*, std::int32_t*, std::int32_t*,
                                      std::int32_t*) {
    return locked([&](Rack& r) { return r.setFreq(handle, frequency, mode, out1); });
}

std::int32_t QV_DRIVER_CALL qvWriteData(std::int32_t handle, const void* samples, std::int32_t count) {
    return locked([&](Rack& r) { return r.writeData(handle, samples, count); });
}

std::int32_t QV_DRIVER_CALL qvEventSel(std::int32_t handle, std::int32_t selection) {
    return locked([&](Rack& r) { return r.eventSel(handle, selection); });
}

std::int32_t QV_DRIVER_CALL qvRun(std::int32_t handle) {
    return locked([&](Rack& r) { return r.run(handle); });
}

std::int32_t QV_DRIVER_CALL qvDataUnlatch(std::int32_t handle, std::int32_t latch) {
    return locked([&](Rack& r) { return r.dataUnlatch(handle, latch); });
}

std::int32_t QV_DRIVER_CALL qvOutputEnable(std::int32_t handle, std::int32_t enable) {
    return locked([&](Rack& r) { return r.outputEnable(handle, enable); });
}

std::int32_t QV_DRIVER_CALL qvKeyboardEvent(std::int32_t handle) {
    return locked([&](Rack& r) { return r.keyboardEvent(handle); });
}

std::int32_t QV_DRIVER_CALL qvStop(std::int32_t handle) {
    return locked([&](Rack& r) { return r.stop(handle); });
}

std::int32_t QV_DRIVER_CALL qvPowerDown(std::int32_t handle) {
    return locked([&](Rack& r) { return r.powerDown(handle); });
}

std::int32_t QV_DRIVER_CALL qvShutdown(std::int32_t handle) {
    return locked([&](Rack& r) { return r.shutdown(handle); });
}

// A file operation of the driver's: no instrument and no rack state involved, so no lock.
std::int32_t QV_DRIVER_CALL qvReadQVV(const char* path, void* samples, std::int32_t capacityBytes, void* labels,
                                      std::int32_t labelLimit, std::int32_t* frequencyAndMode) {
    return readTextVectorFile(path, samples, capacityBytes, labels, labelLimit, frequencyAndMode);
}

std::int32_t QV_DRIVER_CALL uqvStartEx(std::int32_t handle, const char* path, std::int32_t kind, std::int32_t) {
    return locked([&](Rack& r) { return r.startFile(handle, path, kind); });
}

} // namespace qv::sim
