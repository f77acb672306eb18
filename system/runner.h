// Console command runner: runs one command line through the platform's command
// interpreter with stdout and stderr joined on one pipe and stdin empty, waits
// for it while the calling thread keeps dispatching its UI messages, and
// returns everything the command wrote. Safe to call from several threads.
#pragma once

#include <cstdint>
#include <functional>

#include "text/text.h"

namespace phpswitch {

// Dispatches the calling thread's pending UI messages (never the quit message).
// A window installs one on its own thread; a thread without one pumps nothing
// beyond what the platform itself queues for it.
using MessagePump = std::function<void()>;
void installMessagePump(MessagePump pump);
void dispatchPendingMessages();

// The interpreter prefix: "cmd.exe /c " (or "command.com /c " off NT), "/bin/sh -c ".
Text interpreterPrefix();

// The output of `command`, byte for byte, each block cut at its first zero byte.
// Empty when the command printed nothing or could not be started.
Text runAndCapture(const Text& command);

// Waits `interval` units (0 or omitted: ms, 1: s, 2: min, 3: h) while
// dispatching the calling thread's messages. Always true.
bool waitPumping(std::int32_t interval, int unit = 0);

}  // namespace phpswitch
