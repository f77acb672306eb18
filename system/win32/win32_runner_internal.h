// Pieces of the Win32 command runner that its tests reach directly: the pipe
// with only the child's end inheritable, and the wait on a given timer (a null
// timer takes the fallback for a failed one).
#pragma once

#include <windows.h>

#include <cstdint>

#include "system/win32/win32_handles.h"

namespace phpswitch {

struct OutputPipe {
  OwnedHandle read;   // ours, not inheritable
  OwnedHandle write;  // the child's stdout and stderr, inheritable
};

// Both ends null when the pipe cannot be made.
OutputPipe createOutputPipe();

// The error mode set while a child starts, so that a missing DLL or an empty
// drive fails the start instead of showing a dialog nobody can answer. The
// child inherits it.
inline constexpr UINT kQuietErrorMode = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

// Waits until `timer` is signalled while dispatching the thread's messages.
// With no timer (or a wait that fails) it sleeps in short slices up to
// `milliseconds` after the call instead, still dispatching in between.
bool waitPumpingOn(HANDLE timer, std::int64_t milliseconds);

}  // namespace phpswitch
