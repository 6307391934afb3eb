// The driver interlock between this program's threads and another process sharing the instrument:
// a thread sets driver-busy, then yields while the external hold is set; the main window, asked by
// the other process to hold, first yields until driver-busy is clear. No locks, as the instrument's
// other users expect; atomics make the flags well-defined between threads.
#pragma once

#include <atomic>
#include <thread>

namespace qv {

struct DriverInterlock {
    std::atomic<int> driverBusy{0};
    std::atomic<int> externalHold{0};

    // Before a group of driver calls.
    void acquire() {
        driverBusy.store(1);
        while (externalHold.load() != 0) std::this_thread::yield();
    }
    // After the group.
    void release() { driverBusy.store(0); }

    // WM_COPYDATA from the other process: a nonzero word waits for our calls to finish first.
    void setExternalHold(int word) {
        if (word != 0)
            while (driverBusy.load() != 0) std::this_thread::yield();
        externalHold.store(word);
    }
};

// Brackets one group of driver calls.
class DriverCallGroup {
  public:
    explicit DriverCallGroup(DriverInterlock& lock) : lock_(lock) { lock_.acquire(); }
    ~DriverCallGroup() { lock_.release(); }
    DriverCallGroup(const DriverCallGroup&) = delete;
    DriverCallGroup& operator=(const DriverCallGroup&) = delete;

  private:
    DriverInterlock& lock_;
};

} // namespace qv
