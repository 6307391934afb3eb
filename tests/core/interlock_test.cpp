// The driver interlock between two threads: a group of calls waits while the external hold is set,
// a hold waits for a group to end, and the idle step is what a waiting thread runs.
#include "device/interlock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace qv {
namespace {

TEST(DriverInterlock, GroupsWaitForTheHoldAndHoldsForTheGroup) {
    DriverInterlock lock;
    lock.setExternalHold(1);
    std::atomic<int> stage{0};
    std::thread caller([&] {
        DriverCallGroup group(lock);
        stage = 1; // inside the group: the hold has been cleared
        while (stage.load() != 2) std::this_thread::yield();
    });
    // Busy is set before the wait; then the group must not start while the hold stays.
    while (lock.driverBusy.load() != 1) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(stage.load(), 0) << "a group started while the hold was set";
    lock.setExternalHold(0);
    while (stage.load() != 1) std::this_thread::yield();

    // A new hold waits for the group to end.
    std::atomic<bool> asking{false}, held{false};
    std::thread other([&] {
        asking = true;
        lock.setExternalHold(1);
        held = true;
    });
    while (!asking.load()) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(held.load()) << "the hold was taken during a group";
    stage = 2;
    caller.join();
    other.join();
    EXPECT_TRUE(held.load());
    EXPECT_EQ(lock.driverBusy.load(), 0);
    EXPECT_EQ(lock.externalHold.load(), 1);
}

TEST(DriverInterlock, WaitRunsTheIdleStepUntilTheHoldClears) {
    // The thread that waits is the one that clears the hold (a window message it delivers).
    DriverInterlock lock;
    lock.externalHold = 1;
    int steps = 0;
    {
        DriverCallGroup group(lock, [&] {
            if (++steps == 3) lock.setExternalHold(0);
        });
        EXPECT_EQ(lock.driverBusy.load(), 1);
    }
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(lock.driverBusy.load(), 0);
}

} // namespace
} // namespace qv
