#include "platform/WorkThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {
// Work that runs until it is cancelled.
void UntilCancelled(const std::atomic<bool> &cancelled) {
    while (!cancelled) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
}  // namespace

TEST(WorkThread, RunsOnceAtATimeCancelsThroughItsHookAndIsCountedByFamily) {
    std::atomic<int> hooked{0};
    TWorkThread work("test-a", [&] { ++hooked; });
    TWorkThread other("test-b");
    ASSERT_TRUE(work.Start(UntilCancelled));
    ASSERT_TRUE(other.Start(UntilCancelled));
    EXPECT_FALSE(work.Start(UntilCancelled));  // the first still runs
    EXPECT_EQ(TWorkThread::LiveCount("test-a"), 1);
    EXPECT_FALSE(work.Wait(20));

    work.Cancel();
    EXPECT_TRUE(work.Wait(5000));
    EXPECT_EQ(hooked, 1);
    EXPECT_TRUE(work.Cancelled());
    EXPECT_EQ(TWorkThread::LiveCount("test-a"), 0);
    EXPECT_EQ(TWorkThread::LiveCount("test-b"), 1);  // StopAll of one family leaves the others
    EXPECT_TRUE(TWorkThread::StopAll(5000, "test-b"));
    EXPECT_FALSE(other.Running());

    // A new start clears the cancel of the last one.
    std::atomic<bool> ran{false};
    ASSERT_TRUE(work.Start([&](const std::atomic<bool> &c) { ran = !c; }));
    EXPECT_TRUE(work.Wait(-1));
    EXPECT_TRUE(ran);
}

TEST(WorkThread, DisposalsRunAsideAndStopAllJoinsThem) {
    std::atomic<bool> freed{false};
    auto value = std::make_shared<int>(7);
    TWorkThread::Dispose([held = std::move(value), &freed]() mutable {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        held.reset();
        freed = true;
    });
    EXPECT_TRUE(TWorkThread::StopAll(5000));
    EXPECT_TRUE(freed);
    EXPECT_EQ(TWorkThread::LiveCount(), 0);
}
