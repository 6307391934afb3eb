// The driver interlock between this program's threads and another process sharing the instrument:
// a thread sets driver-busy, then waits while the external hold is set; the main window, asked by
// the other process to hold, first waits until driver-busy is clear. No locks, as the instrument's
// other users expect; atomics make the flags well-defined between threads.
// The hold is cleared by a window message to the main window, so a wait on the UI thread must keep
// that thread's messages flowing: such a caller passes an idle step that pumps them.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace qv {

// What a waiting thread does between two looks at a flag.
using IdleStep = std::function<void()>;
inline void yieldStep() { std::this_thread::yield(); }

struct DriverInterlock {
    std::atomic<int> driverBusy{0};
    std::atomic<int> externalHold{0};

    // Before a group of driver calls.
    void acquire(const IdleStep& idle = yieldStep) {
        driverBusy.store(1);
        while (externalHold.load() != 0) idle();
    }
    // After the group.
    void release() { driverBusy.store(0); }

    // WM_COPYDATA from the other process: a nonzero word waits for our calls to finish first.
    void setExternalHold(int word, const IdleStep& idle = yieldStep) {
        if (word != 0)
            while (driverBusy.load() != 0) idle();
        externalHold.store(word);
    }
};

// Brackets one group of driver calls.
class DriverCallGroup {
  public:
    explicit DriverCallGroup(DriverInterlock& lock, const IdleStep& idle = yieldStep) : lock_(lock) {
        lock_.acquire(idle);
    }
    ~DriverCallGroup() { lock_.release(); }
    DriverCallGroup(const DriverCallGroup&) = delete;
    DriverCallGroup& operator=(const DriverCallGroup&) = delete;

  private:
    DriverInterlock& lock_;
};

} // namespace qv
