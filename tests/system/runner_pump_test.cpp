// The runner's message-pump hook and the interval arithmetic of waitPumping,
// the parts that are the same on every platform.
#include <cstdint>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

#include "system/runner.h"
#include "system/runner_internal.h"

namespace phpswitch {
namespace {

// Leaves the thread without a hook whatever the test did.
struct PumpGuard {
  ~PumpGuard() { installMessagePump(nullptr); }
};

TEST(WaitMilliseconds, UnitsAndLimits) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  struct Case {
    std::int32_t interval;
    int unit;
    std::int64_t ms;
  } cases[] = {
      {1, 0, 1},      {250, 0, 250},   {3, 1, 3000},
      {2, 2, 120000}, {1, 3, 3600000}, {5, 7, 5},  // an unknown unit counts milliseconds
      {0, 3, 0},      {-5, 0, 0},  // a negative interval is no wait, not a wait until a past date
      {-1, 3, 0},     {kMax, 0, kMax}, {kMax, 3, kLongestWaitMs},  // 7.7e15 ms would overflow 100-ns units
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " unit " << c.unit);
    EXPECT_EQ(waitMilliseconds(c.interval, c.unit), c.ms);
  }
  // Converted to the finest units the platforms use, the longest wait still fits.
  EXPECT_LT(kLongestWaitMs, std::numeric_limits<std::int64_t>::max() / 1'000'000);
}

TEST(MessagePump, InstalledHookRunsOnItsOwnThreadOnly) {
  PumpGuard guard;
  int calls = 0;
  installMessagePump([&calls] { ++calls; });
  EXPECT_TRUE(messagePumpInstalled());
  dispatchPendingMessages();
  dispatchPendingMessages();
  EXPECT_EQ(calls, 2);

  bool otherThreadHasPump = true;
  std::thread other([&] {
    otherThreadHasPump = messagePumpInstalled();
    dispatchPendingMessages();  // the platform's own queue, not our hook
  });
  other.join();
  EXPECT_FALSE(otherThreadHasPump);
  EXPECT_EQ(calls, 2);

  installMessagePump(nullptr);
  EXPECT_FALSE(messagePumpInstalled());
  dispatchPendingMessages();
  EXPECT_EQ(calls, 2);
}

TEST(MessagePump, HookMayReplaceItselfWhileRunning) {
  PumpGuard guard;
  int firstCalls = 0;
  int secondCalls = 0;
  installMessagePump([&] {
    ++firstCalls;
    // Destroys the running hook's own function object unless the dispatcher
    // keeps it alive until it returns (ASan reports the use after free).
    installMessagePump([&secondCalls] { ++secondCalls; });
    ++firstCalls;
  });
  dispatchPendingMessages();
  dispatchPendingMessages();
  EXPECT_EQ(firstCalls, 2);
  EXPECT_EQ(secondCalls, 1);
}

TEST(WaitPumping, TrueForEveryInterval) {
  PumpGuard guard;
  int calls = 0;
  installMessagePump([&calls] { ++calls; });
  EXPECT_TRUE(waitPumping(0));
  EXPECT_TRUE(waitPumping(-20, 1));
  EXPECT_TRUE(waitPumping(1));
#ifndef _WIN32
  // POSIX has no queue to wake on: the hook itself is the only dispatch.
  EXPECT_GE(calls, 3);
#endif
}

}  // namespace
}  // namespace phpswitch
