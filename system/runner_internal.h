// Pieces of the command runner shared by its platform files (not part of the
// runner's interface): the native message dispatch each platform supplies, and
// the conversion of a waitPumping interval to milliseconds.
#pragma once

#include <cstdint>

namespace phpswitch {

// The calling thread's own queue, dispatched up to (not including) a quit
// message. Win32: PeekMessageA/DispatchMessageA. POSIX: there is none.
void dispatchNativeMessages();

// True when the calling thread has installed a message pump.
bool messagePumpInstalled();

// The longest wait waitPumping performs (about 31 years): longer requests are
// cut to it so that the conversions to 100-ns and ns units cannot overflow.
inline constexpr std::int64_t kLongestWaitMs = 1'000'000'000'000;

// `interval` units in milliseconds: unit 1 s, 2 min, 3 h, anything else ms.
// A negative interval is no wait at all.
std::int64_t waitMilliseconds(std::int32_t interval, int unit);

}  // namespace phpswitch
